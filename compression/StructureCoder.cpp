#include "compression/StructureCoder.h"

#include "app/objects/VectorSet3d.h"
#include "app/objects/VertexSet3d.h"
#include "scene/SceneGraph3d.h"

#include "compression/GateCodes.h"
#include "mesh/Edge3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"

namespace {
const CArray3d<CEdge3d>* EdgeArrayOf(const CVertex3d* v)
{
  return static_cast<const CArray3d<CEdge3d>*>(v->GetData());
}
} // namespace

CStructureCoder::~CStructureCoder()
{
  DeleteEdgeArrays();
}

CArray3d<CEdge3d>* CStructureCoder::NewEdgeArray(CVertex3d* v)
{
  CArray3d<CEdge3d>* pArray = &m_EdgeArrays.emplace_back();
  v->SetData(pArray);
  m_EdgeArrayOwners.push_back(v);
  return pArray;
}

void CStructureCoder::DeleteEdgeArrays()
{
  for (CVertex3d* v : m_EdgeArrayOwners)
    v->SetData(nullptr);
  m_EdgeArrayOwners.clear();
  m_EdgeArrays.clear();
}

CEdge3d* CStructureCoder::GetEdge(const CVertex3d* a, const CVertex3d* b)
{
  if (!a || !b || a == b)
    return nullptr;
  // Both ends share the edge: search the shorter array (the ghost's holds every border).
  const CArray3d<CEdge3d>* pA = EdgeArrayOf(a);
  const CArray3d<CEdge3d>* pB = EdgeArrayOf(b);
  if (pA && pB && pB->GetSize() < pA->GetSize())
    return b->FindEdgeInData(a);
  return a->FindEdgeInData(b);
}

int CStructureCoder::CountEdgesWithFlag(const CVertex3d* v, std::uint8_t flag)
{
  const CArray3d<CEdge3d>* pArray = EdgeArrayOf(v);
  if (!pArray)
    return 0;
  int n = 0;
  for (int i = 0; i < pArray->GetSize(); i++)
    n += pArray->GetAt(i)->GetFlag() == flag ? 1 : 0;
  return n;
}

CLoopList::POSITION CStructureCoder::InsertVertexBeforePivot(CEdgeList* pList, CVertex3d* v)
{
  const CLoopList::POSITION pivot = pList->GetPivot();
  if (!pivot || !pList->GetPrevItem(pivot)->IsNeighbor(v))
    return nullptr;
  return pList->InsertBefore(pivot, v);
}

CVertex3d* CStructureCoder::FindFullVertex(const CEdgeList* pList, CLoopList::POSITION pos) const
{
  return FindVertexOutward(pList, pos, [](const CVertex3d* v) { return IsFull(v); });
}

CVertex3d* CStructureCoder::FindVertexOutward(
  const CEdgeList* pList, CLoopList::POSITION pos,
  const std::function<int(const CVertex3d*)>& isFull) const
{
  return FindOutward(pList, pos, isFull);
}

int CStructureCoder::IsValidEdgeList(const CEdgeList* pList) const
{
  for (CLoopList::POSITION p = pList->GetHeadPosition(); p; p = p->m_pNext) {
    const CVertex3d* a = CLoopList::GetAt(p);
    const CVertex3d* b = pList->GetNextItem(p);
    if (a == m_pGhost && b == m_pGhost)
      continue;
    if (!a->IsNeighbor(b))
      return 0;
  }
  return 1;
}

void CStructureCoder::ShowEdgeList(const CEdgeList* pList)
{
  for (CLoopList::POSITION p = pList->GetHeadPosition(); p; p = p->m_pNext)
    CLoopList::GetAt(p)->SetColor(0, 255, 0);
  if (CVertex3d* pivot = pList->GetPivotVertex())
    pivot->SetColor(255, 0, 0);
}

void CStructureCoder::AddDebugSets()
{
  m_pVertexSet = nullptr;
  m_pVectorSet = nullptr;
  if (!m_Options.m_VisualDebug || !m_Options.m_pSceneGraph)
    return;
  auto pVertices = std::make_unique<CVertexSet3d>();
  pVertices->SetMesh(m_pMesh);
  pVertices->SetOwnsVertices(0);
  auto pVectors = std::make_unique<CVectorSet3d>();
  pVectors->SetTransform(*m_pMesh->GetTransform());
  m_MaxMarker = static_cast<float>(m_pMesh->GetMeanLengthEdgeAround() / 12.0);
  m_pVertexSet = pVertices.get();
  m_pVectorSet = pVectors.get();
  m_Options.m_pSceneGraph->Add(pVertices.release());
  m_Options.m_pSceneGraph->Add(pVectors.release());
}

void CStructureCoder::Mark(CVertex3d* v, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
  v->SetColor(r, g, b);
  // The ghost goes at the end of the run: no set may keep it.
  if (!m_pVertexSet || v == m_pGhost)
    return;
  const float size = static_cast<float>(v->GetMeanLengthEdgeAround() / 12.0);
  m_pVertexSet->AddVertex(v, std::min(m_MaxMarker, size));
}

void CStructureCoder::AddSegment(const CVertex3d* a, const CVertex3d* b)
{
  if (!m_pVectorSet || !a || !b || a == m_pGhost || b == m_pGhost)
    return;
  // The set owns its points: copies, which outlive any change to the mesh.
  m_pVectorSet->AddVector(new CVertex3d(a->x(), a->y(), a->z()), new CVertex3d(b->x(), b->y(), b->z()));
}

unsigned int CStructureCoder::GetMax(const std::vector<unsigned int>& values)
{
  return gate::MaxCode(values);
}

int CStructureCoder::CountValue(const std::vector<unsigned int>& values, unsigned int value)
{
  return gate::CountCode(values, value);
}
