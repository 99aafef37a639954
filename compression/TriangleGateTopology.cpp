#include "compression/TriangleGateTopology.h"

#include "compression/GateTopology.h"
#include "mesh/Mesh3d.h"

#include <limits>

namespace {

// The fan check's hook for a face listed around a vertex: one of the mesh's own.
struct SOwnFaces
{
  const CMesh3d& Mesh;
  int Entry(const CFace3d* g) const
  {
    const int i = g->GetFlag();
    return i >= 0 && i < Mesh.NbFace() && Mesh.GetFace(i) == g ? 1 : 0;
  }
};

} // namespace

int CTriangleGateTopology::Build(const CMesh3d& mesh)
{
  // A fan entry is 4 * face + the vertex's corner there.
  if (mesh.NbFace() > std::numeric_limits<int>::max() / 4)
    return 0;
  const std::size_t nbVertex = static_cast<std::size_t>(mesh.NbVertex());
  m_Faces.assign(static_cast<std::size_t>(mesh.NbFace()), SFace{});
  m_NbFaceAt.assign(nbVertex, 0);
  std::vector<const CFace3d*> across(3 * m_Faces.size());
  if (!ReadFaces(mesh, &across))
    return 0;
  BuildFans();
  SStamps stamps{std::vector<int>(nbVertex, -1), std::vector<int>(nbVertex, -1),
                 std::vector<int>(nbVertex, -1)};
  for (int v = 0; v < mesh.NbVertex(); v++)
    if (m_NbFaceAt[static_cast<std::size_t>(v)] > 0 && !CheckFan(mesh, v, across, &stamps))
      return 0;
  return 1;
}

int CTriangleGateTopology::ReadFaces(const CMesh3d& mesh, std::vector<const CFace3d*>* pAcross)
{
  for (int f = 0; f < mesh.NbFace(); f++) {
    const CFace3d* face = mesh.GetFace(f);
    // A face the mesh lists twice holds its edges twice.
    if (!face || !gate::HasDistinctCorners(face) || face->GetFlag() != f)
      return 0;
    SFace& record = m_Faces[static_cast<std::size_t>(f)];
    for (int k = 0; k < 3; k++) {
      const CVertex3d* v = face->v(k);
      const int i = v->GetFlag();
      if (i < 0 || i >= mesh.NbVertex() || mesh.GetVertex(i) != v)
        return 0;
      record.Corner[k] = i;
      m_NbFaceAt[static_cast<std::size_t>(i)]++;
      (*pAcross)[3 * static_cast<std::size_t>(f) + static_cast<std::size_t>(k)] = face->f(k);
    }
  }
  return 1;
}

void CTriangleGateTopology::BuildFans()
{
  m_FanStart.assign(m_NbFaceAt.size() + 1, 0);
  for (std::size_t v = 0; v < m_NbFaceAt.size(); v++)
    m_FanStart[v + 1] = m_FanStart[v] + m_NbFaceAt[v];
  std::vector<int> next(m_FanStart.begin(), m_FanStart.end() - 1);
  m_Fans.resize(3 * m_Faces.size());
  for (int f = 0; f < NbFace(); f++)
    for (int k = 0; k < 3; k++)
      m_Fans[static_cast<std::size_t>(next[static_cast<std::size_t>(Corner(f, k))]++)] = 4 * f + k;
}

int CTriangleGateTopology::ListsFan(const CMesh3d& mesh, int v) const
{
  const CVertex3d* vertex = mesh.GetVertex(v);
  for (int i = m_FanStart[static_cast<std::size_t>(v)]; i < m_FanStart[static_cast<std::size_t>(v) + 1]; i++) {
    const CFace3d* face = mesh.GetFace(FanFace(static_cast<std::size_t>(i)));
    int listed = 0;
    for (int k = 0; !listed && k < vertex->NbFaceNeighbor(); k++)
      listed = vertex->GetFaceNeighbor(k) == face ? 1 : 0;
    if (!listed)
      return 0;
  }
  return 1;
}

int CTriangleGateTopology::CheckFan(const CMesh3d& mesh, int v,
                                    const std::vector<const CFace3d*>& across, SStamps* pStamps)
{
  // A list as long as the fan that holds all its faces holds nothing else: the fan is then
  // read from the index arrays alone. With distinct edges leaving every vertex, the face
  // holding a reverse edge is the only one, so the first in the list.
  const std::size_t first = static_cast<std::size_t>(m_FanStart[static_cast<std::size_t>(v)]);
  const std::size_t last = static_cast<std::size_t>(m_FanStart[static_cast<std::size_t>(v) + 1]);
  if (mesh.GetVertex(v)->NbFaceNeighbor() != static_cast<int>(last - first) || !ListsFan(mesh, v))
    return CheckFanByList(mesh, v, across);
  SStamps& stamps = *pStamps;
  for (std::size_t i = first; i < last; i++) {
    const int g = FanFace(i);
    const int j = FanCorner(i);
    const std::size_t out = static_cast<std::size_t>(Corner(g, (j + 1) % 3));
    const std::size_t in = static_cast<std::size_t>(Corner(g, (j + 2) % 3));
    if (stamps.Out[out] == v)
      return 0;
    stamps.Out[out] = v;
    stamps.In[in] = v;
    stamps.InFace[in] = g;
  }
  for (std::size_t i = first; i < last; i++) {
    const int g = FanFace(i);
    const int j = FanCorner(i);
    const std::size_t out = static_cast<std::size_t>(Corner(g, (j + 1) % 3));
    const int reverse = stamps.In[out] == v ? stamps.InFace[out] : -1;
    const std::size_t slot = 3 * static_cast<std::size_t>(g) + static_cast<std::size_t>(j);
    if (across[slot] != (reverse >= 0 ? mesh.GetFace(reverse) : nullptr))
      return 0;
    m_Faces[static_cast<std::size_t>(g)].Neighbor[j] = reverse;
  }
  return 1;
}

int CTriangleGateTopology::CheckFanByList(const CMesh3d& mesh, int v,
                                          const std::vector<const CFace3d*>& across)
{
  const CVertex3d* vertex = mesh.GetVertex(v);
  const SOwnFaces own{mesh};
  std::vector<gate::SFanEntry<CFace3d>> entries;
  if (!ListsFan(mesh, v) || !gate::IsFanConsistent<CFace3d>(vertex, own, &entries))
    return 0;
  for (int i = m_FanStart[static_cast<std::size_t>(v)]; i < m_FanStart[static_cast<std::size_t>(v) + 1]; i++) {
    const int g = FanFace(static_cast<std::size_t>(i));
    const int j = FanCorner(static_cast<std::size_t>(i));
    const CFace3d* n = across[3 * static_cast<std::size_t>(g) + static_cast<std::size_t>(j)];
    const int index = n ? n->GetFlag() : -1;
    if (n && !own.Entry(n))
      return 0;
    m_Faces[static_cast<std::size_t>(g)].Neighbor[j] = index;
  }
  return 1;
}

void CTriangleGateTopology::ClearMarks()
{
  for (SFace& face : m_Faces)
    face.Mark = 0;
}

int CTriangleGateTopology::HasFreeFace() const
{
  for (const SFace& face : m_Faces)
    if (face.Mark == 0)
      return 1;
  return 0;
}

int CTriangleGateTopology::FanCloses(int inner, int outer, int pivot, int direction) const
{
  // A fan holds no more faces than its pivot, so the walk ends on any mesh.
  const int bound = m_NbFaceAt[static_cast<std::size_t>(pivot)];
  int f = inner;
  for (int step = 0; step <= bound; step++) {
    const int j = PositionOf(f, pivot);
    if (j < 0)
      return 0;
    const int n = Neighbor(f, direction == 0 ? j : (j + 2) % 3);
    if (n < 0)
      return 0;
    if (n == outer)
      return 1;
    if (Mark(n) != 1)
      return 0;
    f = n;
  }
  return 0;
}
