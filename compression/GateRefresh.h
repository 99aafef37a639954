#pragma once

#include <functional>

class CObject3d;
class CRenderView;

// Visual debugging of the gate coders: every period-th request marks the mesh modified,
// redraws the view at once and pauses. A period of 0 or less (the zip phase sets it) means
// no periodic redraw; forced requests always redraw. Each coder family counts its requests
// in a process-wide counter of its own.
class CGateRefresh
{
public:
  CGateRefresh(int* pCounter, int debug, CRenderView* pView, int period, int delay)
    : m_pCounter(pCounter), m_Debug(debug), m_pView(pView), m_Period(period), m_Delay(delay)
  {
  }

  void SetPeriod(int period) { m_Period = period; }
  int GetPeriod() const { return m_Period; }
  int IsDebug() const { return m_Debug; }

  // onRedraw runs after the redraw and before the pause (the levels dump of the decoder).
  void Refresh(int force, CObject3d* pMesh, const std::function<void()>& onRedraw = {});

private:
  int* m_pCounter;
  int m_Debug = 0;
  CRenderView* m_pView = nullptr;
  int m_Period = 1;
  int m_Delay = 0;
};
