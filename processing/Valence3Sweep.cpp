#include "processing/Valence3Sweep.h"

#include "mesh/Mesh3d.h"

#include <unordered_set>

void CValence3Sweep::Begin(CMesh3d* pMesh)
{
  m_pMesh = pMesh;
  const int n = pMesh->NbVertex();
  m_Order.clear();
  m_Order.reserve(static_cast<size_t>(n));
  m_Vertex.assign(pMesh->GetArrayVertex()->GetData(), pMesh->GetArrayVertex()->GetData() + n);
  m_Alive.assign(static_cast<size_t>(n), 1);
  std::vector<int> all(static_cast<size_t>(n));
  for (int i = 0; i < n; i++) {
    m_Order[m_Vertex[i]] = i;
    all[i] = i;
  }
  m_Marked = decltype(m_Marked)(std::greater<int>(), std::move(all));
  m_NextSweep.clear();
  m_Current = -1;
}

void CValence3Sweep::Touch(CVertex3d* v)
{
  const auto it = m_Order.find(v);
  if (it == m_Order.end() || !m_Alive[it->second])
    return;
  // A pass in array order has already gone by the vertices before the current one.
  if (it->second > m_Current)
    m_Marked.push(it->second);
  else
    m_NextSweep.push_back(it->second);
}

void CValence3Sweep::Touch(const std::vector<CVertex3d*>& vertices)
{
  for (CVertex3d* v : vertices)
    Touch(v);
}

void CValence3Sweep::Forget(const CVertex3d* v)
{
  const auto it = m_Order.find(v);
  if (it != m_Order.end())
    m_Alive[it->second] = 0;
}

int CValence3Sweep::Sweep(const Removed& removed)
{
  int count = 0;
  std::vector<CFace3d*> faces;
  std::vector<CVertex3d*> around;
  while (!m_Marked.empty()) {
    const int k = m_Marked.top();
    m_Marked.pop();
    if (!m_Alive[k])
      continue;
    CVertex3d* v = m_Vertex[k];
    if (!CMesh3d::IsRemovableValence3(v))
      continue;
    faces.assign(v->GetArrayFaceNeighbor()->begin(), v->GetArrayFaceNeighbor()->end());
    CVertex3d* ring[3] = {v->GetVertexNeighbor(0), v->GetVertexNeighbor(1),
                          v->GetVertexNeighbor(2)};
    m_Current = k;
    if (!m_pMesh->RemoveValence3Vertex(v))
      continue;
    m_Alive[k] = 0;
    count++;
    // The faces that still name v are the deleted ones (deferred: still allocated).
    std::erase_if(faces, [v](const CFace3d* f) { return !f->HasVertex(v); });
    around.clear();
    std::unordered_set<const CVertex3d*> seen;
    for (CVertex3d* p : ring)
      for (int i = -1; i < p->NbVertexNeighbor(); i++) {
        CVertex3d* q = i < 0 ? p : p->GetVertexNeighbor(i);
        if (seen.insert(q).second)
          around.push_back(q);
      }
    Touch(around);
    removed(faces, around);
  }
  m_Current = -1;
  for (const int k : m_NextSweep)
    m_Marked.push(k);
  m_NextSweep.clear();
  return count;
}

void CValence3Sweep::CollectRings(CVertex3d* v, int rings, std::vector<CVertex3d*>* pVertices)
{
  pVertices->clear();
  pVertices->push_back(v);
  std::unordered_set<const CVertex3d*> seen{v};
  size_t begin = 0;
  for (int r = 0; r < rings; r++) {
    const size_t end = pVertices->size();
    for (size_t i = begin; i < end; i++) {
      const CVertex3d* p = (*pVertices)[i];
      for (int k = 0; k < p->NbVertexNeighbor(); k++)
        if (seen.insert(p->GetVertexNeighbor(k)).second)
          pVertices->push_back(p->GetVertexNeighbor(k));
    }
    begin = end;
  }
}
