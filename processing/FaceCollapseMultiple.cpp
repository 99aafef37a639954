#include "processing/FaceCollapse.h"

#include "mesh/Mesh3d.h"
#include "scene/SceneGraph3d.h"

#include <unordered_map>

namespace {

constexpr int kFree = 0;
constexpr int kCollapse = 1;
constexpr int kRemove = 2;
constexpr int kTouched = 3;

// Calls fn for every face around the corners of f (f included, some faces more than once).
template <class Fn>
void ForEachFaceAroundCorners(const CFace3d* f, Fn fn)
{
  for (int i = 0; i < 3; i++)
    for (int k = 0; k < f->v(i)->NbFaceNeighbor(); k++)
      fn(f->v(i)->GetFaceNeighbor(k));
}

} // namespace

// --- flagging ----------------------------------------------------------------------------------

int CFaceCollapse::CanFlag(const CFace3d* pFace)
{
  const int flag = pFace->GetFlag();
  if (flag == kCollapse || flag == kRemove || flag == kTouched)
    return 0;
  bool blocked = false;
  ForEachFaceAroundCorners(pFace, [&blocked](const CFace3d* g) {
    blocked |= g->GetFlag() == kCollapse || g->GetFlag() == kTouched;
  });
  for (int i = 0; i < 3 && !blocked; i++) {
    const CFace3d* g = pFace->f(i);
    if (!g || g->GetFlag() == kCollapse || g->GetFlag() == kRemove)
      continue;
    for (int j = 0; j < 3; j++)
      blocked |= g->f(j) && (g->f(j)->GetFlag() == kCollapse || g->f(j)->GetFlag() == kRemove);
  }
  // A face whose own collapse would break the mesh is not taken either.
  return !blocked && CanCollapse(pFace) ? 1 : 0;
}

void CFaceCollapse::FlagFace(CFace3d* pFace)
{
  const bool visual = m_Visual != 0;
  pFace->SetFlag(kCollapse);
  if (visual)
    pFace->SetColor(255, 192, 192);
  ForEachFaceAroundCorners(pFace, [pFace, visual](CFace3d* g) {
    if (g == pFace)
      return;
    if (pFace->SharesEdge(g)) {
      g->SetFlag(kRemove);
      if (visual)
        g->SetColor(255, 255, 192);
    } else if (g->GetFlag() != kRemove) {
      g->SetFlag(kFree);
      if (visual)
        g->SetColor(192, 192, 192);
    }
  });
}

// From face 0 over the faces around the corners of every flagged face and their neighbours;
// an explicit stack, so that the depth of a large mesh does not matter. Where the flood
// stops (another component, a region it cannot cross) it starts again from the next face
// in order that may be flagged.
void CFaceCollapse::FloodFlags()
{
  std::vector<CFace3d*> stack;
  for (int i = 0; i < m_pMesh->NbFace(); i++) {
    if (!CanFlag(m_pMesh->GetFace(i)))
      continue;
    FlagFace(m_pMesh->GetFace(i));
    stack.push_back(m_pMesh->GetFace(i));
    while (!stack.empty()) {
      CFace3d* f = stack.back();
      stack.pop_back();
      ForEachFaceAroundCorners(f, [this, &stack](const CFace3d* g) {
        for (int j = 0; j < 3; j++) {
          CFace3d* h = g->f(j);
          if (h && CanFlag(h)) {
            FlagFace(h);
            stack.push_back(h);
          }
        }
      });
    }
  }
}

// Vertex flag 3 marks what the collapses before have touched: a face with one such corner
// keeps that corner, a face with two or more is left alone.
void CFaceCollapse::ChooseSurvivors()
{
  m_pMesh->SetVerticesFlag(0);
  for (int i = 0; i < m_pMesh->NbFace(); i++) {
    CFace3d* f = m_pMesh->GetFace(i);
    if (f->GetFlag() != kCollapse)
      continue;
    const int touched = f->NbVertexWithFlag(kTouched);
    if (touched >= 2) {
      f->SetFlag(kFree);
      continue;
    }
    if (touched == 1)
      GetRecord(f)->SetCorner(f->IndexVertexWithFlag(kTouched));
    const int k = GetRecord(f)->GetCorner();
    for (int corner = k + 1; corner <= k + 2; corner++) {
      const CVertex3d* gone = f->v(corner % 3);
      for (int j = 0; j < gone->NbFaceNeighbor(); j++)
        gone->GetFaceNeighbor(j)->SetFlagOnVerticesExcept(gone, kTouched);
    }
  }
}

// Face i of the mesh is face i of pMesh (the mesh itself or its last geomorph frame).
void CFaceCollapse::CollapseFlagged(CMesh3d* pMesh)
{
  for (int i = 0; i < pMesh->NbFace(); i++) {
    const CFace3d* f = pMesh->GetFace(i);
    if (f->GetFlag() != kCollapse)
      continue;
    const int k = m_ArrayRecord[i]->GetCorner();
    CVertex3d* a = f->v(k);
    for (CVertex3d* gone : {f->v((k + 1) % 3), f->v((k + 2) % 3)})
      for (int j = 0; j < gone->NbFaceNeighbor(); j++)
        gone->GetFaceNeighbor(j)->UpdateVertex(gone, a);
  }
  pMesh->RemoveCollapsedFaces();
  pMesh->Rebuild();
  pMesh->SetFacesFlag(kFree);
}

int CFaceCollapse::FlagFacesForMultipleCollapse(CMesh3d* pMesh, int visual, int /*unused*/,
                                                CRenderView* pWindow, int geomorph,
                                                CSceneGraph3d* pScene, int nbFrame)
{
  FreeRecords();
  m_pMesh = pMesh;
  m_Visual = visual;
  m_pWindow = pWindow;
  pMesh->Rebuild();
  pMesh->SetFacesFlag(kFree);
  pMesh->SetVerticesFlag(0);
  FloodFlags();
  m_ArrayRecord.resize(static_cast<size_t>(pMesh->NbFace()));
  for (int i = 0; i < pMesh->NbFace(); i++)
    if (pMesh->GetFace(i)->GetFlag() == kCollapse)
      ComputeCost(pMesh->GetFace(i), i);
  ChooseSurvivors();
  pMesh->SetVerticesFlag(0);
  CMesh3d* pTarget = geomorph && pScene ? BuildGeomorph(pScene, nbFrame) : pMesh;
  CollapseFlagged(pTarget);
  FreeRecords();
  pMesh->SetFacesFlag(kFree);
  pMesh->SetModified();
  m_pMesh = nullptr;
  return 1;
}

// --- geomorph ----------------------------------------------------------------------------------

CMesh3d* CFaceCollapse::BuildGeomorph(CSceneGraph3d* pScene, int nbFrame)
{
  if (nbFrame < 2)
    return m_pMesh;
  const int nbVertex = m_pMesh->NbVertex();
  std::unordered_map<const CVertex3d*, int> index;
  for (int i = 0; i < nbVertex; i++)
    index[m_pMesh->GetVertex(i)] = i;
  std::vector<const CVertex3d*> target(static_cast<size_t>(nbVertex), nullptr);
  for (int i = 0; i < m_pMesh->NbFace(); i++) {
    const CFace3d* f = m_pMesh->GetFace(i);
    if (f->GetFlag() != kCollapse)
      continue;
    const int k = m_ArrayRecord[i]->GetCorner();
    target[index[f->v((k + 1) % 3)]] = f->v(k);
    target[index[f->v((k + 2) % 3)]] = f->v(k);
  }
  CMesh3d* pFrame = nullptr;
  for (int frame = 1; frame < nbFrame; frame++) {
    const float t = static_cast<float>(frame) / static_cast<float>(nbFrame - 1);
    auto pMesh = std::make_unique<CMesh3d>();
    for (int i = 0; i < nbVertex; i++) {
      const CVertex3d* v = m_pMesh->GetVertex(i);
      const CVertex3d* to = target[i] ? target[i] : v;
      pMesh->AddVertex(new CVertex3d(v->x() + (to->x() - v->x()) * t,
                                     v->y() + (to->y() - v->y()) * t,
                                     v->z() + (to->z() - v->z()) * t));
    }
    for (int i = 0; i < m_pMesh->NbFace(); i++) {
      const CFace3d* f = m_pMesh->GetFace(i);
      const CColor* pColor = f->GetColor();
      pMesh->AddFace(new CFace3d(pMesh->GetVertex(index[f->v(0)]), pMesh->GetVertex(index[f->v(1)]),
                                 pMesh->GetVertex(index[f->v(2)]), pColor->r(), pColor->g(),
                                 pColor->b(), f->GetFlag(), nullptr));
    }
    pMesh->SetTransform(m_pMesh->GetTransform());
    pMesh->Rebuild();
    pFrame = pMesh.get();
    pScene->Add(pMesh.release());
  }
  return pFrame;
}
