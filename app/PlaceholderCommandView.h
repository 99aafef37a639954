#pragma once

#include <QWidget>

namespace platform {
class CDocument;
}

// Stands in the left-hand pane of a child frame until the command form view replaces it.
class CPlaceholderCommandView : public QWidget
{
  Q_OBJECT

public:
  explicit CPlaceholderCommandView(platform::CDocument* pDocument);

  platform::CDocument* GetDocument() const { return m_pDocument; }

private:
  platform::CDocument* m_pDocument;
};
