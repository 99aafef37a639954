#include "app/dialogs/DlgHashTable.h"

CDlgHashTable::CDlgHashTable()
  : CDialog(142, "Hash table")
{
  m_Fields.Int(1056, "Size", m_Size, 16)
    .Check(1057, "Show grid", m_ShowGrid, 1);
}
