#include "app/dialogs/DlgMap.h"

CDlgMap::CDlgMap()
  : CDialog(140, "Map")
{
  m_Fields.Int(1047, "Height", m_Height, 10)
    .Int(1046, "Width", m_Width, 10)
    .Float(1049, "Max", m_Max, 4.0f)
    .Float(1048, "Min", m_Min, -4.0f);
}
