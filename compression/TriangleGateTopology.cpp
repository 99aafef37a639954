#include "compression/TriangleGateTopology.h"

#include "mesh/Mesh3d.h"

void CTriangleGateTopology::Start(const CMesh3d& mesh)
{
  const std::size_t nbFace = static_cast<std::size_t>(mesh.NbFace());
  m_Corners.assign(3 * nbFace, -1);
  m_Neighbors.assign(3 * nbFace, -1);
  m_NbFaceAt.assign(static_cast<std::size_t>(mesh.NbVertex()), 0);
}

int CTriangleGateTopology::SetFace(const CMesh3d& mesh, int f, const CFace3d* face)
{
  // A face the mesh lists twice holds its edges twice.
  if (face->GetFlag() != f)
    return 0;
  std::size_t slot = 3 * static_cast<std::size_t>(f);
  for (int k = 0; k < 3; k++, slot++) {
    const CVertex3d* v = face->v(k);
    const int i = v->GetFlag();
    if (i < 0 || i >= mesh.NbVertex() || mesh.GetVertex(i) != v)
      return 0;
    m_Corners[slot] = i;
    m_NbFaceAt[static_cast<std::size_t>(i)]++;
    const CFace3d* n = face->f(k);
    const int j = n ? n->GetFlag() : -1;
    if (n && (j < 0 || j >= mesh.NbFace() || mesh.GetFace(j) != n))
      return 0;
    m_Neighbors[slot] = j;
  }
  return 1;
}

int CTriangleGateTopology::FanCloses(int inner, int outer, int pivot, int direction,
                                     const std::vector<std::uint8_t>& state) const
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
    if (state[static_cast<std::size_t>(n)] != 1)
      return 0;
    f = n;
  }
  return 0;
}
