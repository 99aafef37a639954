#pragma once

#include "compression/GateRefresh.h"

class CRenderView;

// The run plumbing that the six gate encoders and decoders share over their states, which
// all hold the mesh, file name, visual-debugging fields, gates and vertex order.
namespace gate {

// Outcome of one decoding step.
enum EStep { StepFailed = -1, StepDone = 0, StepTaken = 1 };

// Steps until the gate list is empty: 1, or 0 at the first failed step.
template <class Step>
int RunSteps(Step step)
{
  for (;;) {
    const EStep result = step();
    if (result != StepTaken)
      return result == StepDone ? 1 : 0;
  }
}

template <class State, class Mesh>
void SetRun(State* pState, Mesh* pMesh, const char* fileName, int debug, CRenderView* pView,
            int refreshPeriod, int delay)
{
  pState->m_pMesh = pMesh;
  pState->m_FileName = fileName;
  pState->m_Debug = debug;
  pState->m_pView = pView;
  pState->m_RefreshPeriod = refreshPeriod;
  pState->m_Delay = delay;
}

template <class State>
void Refresh(const State& state, int* pCounter, int force)
{
  CGateRefresh(pCounter, state.m_Debug, state.m_pView, state.m_RefreshPeriod, state.m_Delay)
    .Refresh(force, state.m_pMesh);
}

// Ends a decoding: the gates go; a failed one leaves the mesh empty. Returns ok.
template <class State>
int EndDecode(State* pState, int ok)
{
  pState->m_Gates.RemoveAll();
  if (!ok) {
    pState->m_VertexOrder.RemoveAll();
    pState->m_pMesh->Free();
  }
  return ok;
}

} // namespace gate
