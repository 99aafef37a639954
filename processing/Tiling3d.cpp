#include "processing/Tiling3d.h"

#include "mesh/DisplayList.h"
#include "mesh/Face3d.h"
#include "mesh/GeometryUtil.h"
#include "platform/core/Redraw.h"
#include "processing/Tile.h"
#include "processing/TilingNode.h"

#include <unordered_map>
#include <vector>

namespace {

constexpr int kNodeVertex = 1;
constexpr int kNearNode = 2;
constexpr int kCovered = 1;

// The face across the edge of f opposite v (f's first neighbour without v), when it is not
// covered yet.
CFace3d* UncoveredFaceAcross(const CFace3d* f, const CVertex3d* v)
{
  CFace3d* g = f->GetFaceNotSharing(v);
  return (g && g->GetFlag() != kCovered) ? g : nullptr;
}

// Next vertex node around v: a corner of flag 0, the only one of an uncovered face across the
// edge opposite v; of these the one with most faces, the first on ties.
CVertex3d* NextVertexCandidate(const CVertex3d* v)
{
  CVertex3d* pBest = nullptr;
  for (int i = 0; i < v->NbFaceNeighbor(); i++) {
    const CFace3d* g = UncoveredFaceAcross(v->GetFaceNeighbor(i), v);
    if (!g || g->NbVertexWithFlag(0) != 1)
      continue;
    CVertex3d* c = g->GetVertexWithFlag(0);
    if (!pBest || c->NbFaceNeighbor() > pBest->NbFaceNeighbor())
      pBest = c;
  }
  return pBest;
}

// An uncovered face across the edge opposite v whose three corners are near nodes already.
CFace3d* NextFaceCandidate(const CVertex3d* v)
{
  for (int i = 0; i < v->NbFaceNeighbor(); i++) {
    CFace3d* g = UncoveredFaceAcross(v->GetFaceNeighbor(i), v);
    if (g && g->NbVertexWithFlag(kNearNode) == 3)
      return g;
  }
  return nullptr;
}

// The colours of the vertex nodes' stars on the source mesh, taken in turn.
constexpr unsigned char kPalette[9][3] = {{40, 128, 255},  {40, 128, 128},  {255, 128, 84},
                                          {128, 128, 128}, {255, 255, 128}, {128, 128, 255},
                                          {255, 128, 192}, {128, 255, 128}, {0, 128, 80}};

} // namespace

CTiling3d::~CTiling3d()
{
  Clear();
  displaylist::Delete(&m_List);
}

CTilingNode* CTiling3d::NodeOf(const CFace3d* pFace)
{
  return static_cast<CTilingNode*>(pFace->GetData());
}

void CTiling3d::Clear()
{
  m_ArrayTile.DeleteAll();
  m_ArrayNode.DeleteAll();
  for (int i = 0; i < NbFace(); i++)
    if (GetFace(i))
      GetFace(i)->SetData(nullptr);
}

int CTiling3d::Build(unsigned int seed, int split, CMesh3d* pSource)
{
  // The source's faces are found through the tiling's vertex indices.
  if (pSource && pSource->NbVertex() != NbVertex())
    return 0;
  Clear();
  SetVerticesFlag(0);
  SetFacesFlag(0);
  SetModified();
  if (NbVertex() == 0)
    return 0;
  PlaceNodes(GetVertex(seed < static_cast<unsigned int>(NbVertex()) ? static_cast<int>(seed) : 0));
  BuildNodeAdjacency();
  if (pSource)
    ColorSource(pSource);
  BuildTiles();
  if (split)
    SplitTiles();
  return NbTile();
}

CTilingNode* CTiling3d::AddVertexNode(CVertex3d* v)
{
  auto* pNode = new CTilingNode(v);
  m_ArrayNode.Add(pNode);
  v->SetFlag(kNodeVertex);
  for (int i = 0; i < v->NbVertexNeighbor(); i++)
    v->GetVertexNeighbor(i)->SetFlag(kNearNode);
  for (int i = 0; i < v->NbFaceNeighbor(); i++) {
    CFace3d* f = v->GetFaceNeighbor(i);
    f->SetFlag(kCovered);
    f->SetData(pNode);
  }
  return pNode;
}

CTilingNode* CTiling3d::AddFaceNode(CFace3d* pFace)
{
  auto* pNode = new CTilingNode(pFace);
  m_ArrayNode.Add(pNode);
  pFace->SetData(pNode);
  pFace->SetFlag(kCovered);
  pFace->SetFlagOnVertices(kNearNode);
  return pNode;
}

// The placement is a depth-first recursion between vertex nodes and face nodes; it runs on an
// explicit stack because a large mesh nests as deep as it has nodes.
void CTiling3d::PlaceNodes(CVertex3d* pSeed)
{
  struct SFrame
  {
    CTilingNode* pNode;
    int step;  // vertex node: 0 placing vertex nodes, 1 face nodes; face node: next edge
  };
  std::vector<SFrame> stack;
  stack.push_back({AddVertexNode(pSeed), 0});
  while (!stack.empty()) {
    SFrame& frame = stack.back();
    CTilingNode* pNode = frame.pNode;
    if (!pNode->IsFaceBased()) {
      const CVertex3d* v = pNode->GetVertex();
      if (frame.step == 0) {
        if (CVertex3d* c = NextVertexCandidate(v)) {
          stack.push_back({AddVertexNode(c), 0});
          continue;
        }
        frame.step = 1;
      }
      if (CFace3d* g = NextFaceCandidate(v))
        stack.push_back({AddFaceNode(g), 0});
      else
        stack.pop_back();
      continue;
    }
    const CFace3d* f = pNode->GetFace();
    CFace3d* h = nullptr;
    while (frame.step < 3 && !h) {
      h = f->f(frame.step++);
      if (h && h->GetFlag() == kCovered)
        h = nullptr;
    }
    if (!h)
      stack.pop_back();
    else if (h->NbVertexWithFlag(0) == 1)
      stack.push_back({AddVertexNode(h->GetVertexWithFlag(0)), 0});
    else
      stack.push_back({AddFaceNode(h), 0});
  }
}

void CTiling3d::BuildNodeAdjacency()
{
  for (int i = 0; i < NbNode(); i++) {
    CTilingNode* n = GetNode(i);
    if (n->IsFaceBased()) {
      for (int k = 0; k < 3; k++)
        if (const CFace3d* h = n->GetFace()->f(k); h && NodeOf(h))
          CTilingNode::Link(n, NodeOf(h));
      continue;
    }
    const CVertex3d* v = n->GetVertex();
    for (int k = 0; k < v->NbFaceNeighbor(); k++)
      if (const CFace3d* g = v->GetFaceNeighbor(k)->GetFaceNotSharing(v); g && NodeOf(g))
        CTilingNode::Link(n, NodeOf(g));
  }
}

void CTiling3d::ColorSource(CMesh3d* pSource) const
{
  int k = 0;
  for (int i = 0; i < NbVertex(); i++) {
    if (GetVertex(i)->GetFlag() != kNodeVertex)
      continue;
    const unsigned char* c = kPalette[k++ % 9];
    const CVertex3d* v = pSource->GetVertex(i);
    for (int j = 0; j < v->NbFaceNeighbor(); j++)
      v->GetFaceNeighbor(j)->SetColor(c[0], c[1], c[2]);
  }
  pSource->SetModified();
}

std::unique_ptr<CMesh3d> CTiling3d::BuildMesh() const
{
  auto pMesh = std::make_unique<CMesh3d>();
  std::unordered_map<const CTilingNode*, int> index;
  index.reserve(static_cast<size_t>(NbNode()));
  for (int i = 0; i < NbNode(); i++) {
    const CTilingNode* n = GetNode(i);
    index[n] = pMesh->AddVertex(new CVertex3d(n->x(), n->y(), n->z()));
  }
  for (int i = 0; i < NbTile(); i++) {
    const CTile* t = GetTile(i);
    if (t->NbNode() < 3)
      continue;
    pMesh->AddFace(new CFace3d(pMesh->GetVertex(index[t->GetNode(0)]),
                               pMesh->GetVertex(index[t->GetNode(1)]),
                               pMesh->GetVertex(index[t->GetNode(2)])));
  }
  pMesh->SetTransform(GetTransform());
  pMesh->Rebuild();
  return pMesh;
}

// --- relaxation -------------------------------------------------------------------------------

float CTiling3d::Energy() const
{
  float energy = 0.0f;
  for (int i = 0; i < NbNode(); i++) {
    const CTilingNode* n = GetNode(i);
    if (!n->IsFaceBased())
      continue;
    for (int j = 0; j < n->NbNeighbor(); j++)
      energy += n->SquareDistance(n->GetNeighbor(j));
  }
  return energy;
}

// One sweep in node order: a face node sees the nodes moved before it at their new places.
void CTiling3d::RelaxFaceNodes(float step)
{
  for (int i = 0; i < NbNode(); i++) {
    CTilingNode* n = GetNode(i);
    if (!n->IsFaceBased())
      continue;
    float d[3] = {0.0f, 0.0f, 0.0f};
    for (int j = 0; j < n->NbNeighbor(); j++) {
      const CTilingNode* m = n->GetNeighbor(j);
      d[0] += m->x() - n->x();
      d[1] += m->y() - n->y();
      d[2] += m->z() - n->z();
    }
    n->Move(step * d[0], step * d[1], step * d[2]);
  }
}

void CTiling3d::ProjectFaceNodes()
{
  CVertex3d point;
  CVertex3d nearest;
  for (int i = 0; i < NbNode(); i++) {
    CTilingNode* n = GetNode(i);
    if (!n->IsFaceBased())
      continue;
    point.Set(n->x(), n->y(), n->z());
    SquareDistanceFromVertexToFace(&point, n->GetFace(), &nearest);
    n->Set(nearest.x(), nearest.y(), nearest.z());
  }
}

void CTiling3d::OptimizeNodePositions(unsigned int iterations, CRenderView* pView, int refresh)
{
  const bool repaint = pView && refresh;
  float step = 0.1f;
  for (unsigned int i = 0; i < iterations; i++) {
    const float before = Energy();
    RelaxFaceNodes(step);
    // A step that did not lower the energy is kept, only shortened for the next one.
    if (Energy() >= before)
      step *= 0.8f;
    if (repaint) {
      SetModified();
      platform::RedrawView(pView);
    }
  }
  ProjectFaceNodes();
  SetModified();
  if (repaint)
    platform::RedrawView(pView);
}
