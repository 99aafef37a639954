#pragma once

#include "platform/ui/CmdTarget.h"

#include <QWidget>

namespace platform {
class CDocument;
}

// Stands in the right-hand pane of a child frame until the OpenGL render view replaces it.
// It is the first command target of its frame, as the render view will be.
class CPlaceholderRenderView : public QWidget, public platform::CCmdTarget
{
  Q_OBJECT

public:
  explicit CPlaceholderRenderView(platform::CDocument* pDocument);

  platform::CDocument* GetDocument() const { return m_pDocument; }

private:
  platform::CDocument* m_pDocument;
};
