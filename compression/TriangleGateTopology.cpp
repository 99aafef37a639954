#include "compression/TriangleGateTopology.h"

#include "mesh/Mesh3d.h"

void CTriangleGateTopology::Start(const CMesh3d& mesh)
{
  m_Faces.assign(static_cast<std::size_t>(mesh.NbFace()), SFace{});
  m_NbFaceAt.assign(static_cast<std::size_t>(mesh.NbVertex()), 0);
}

int CTriangleGateTopology::SetFace(const CMesh3d& mesh, int f, const CFace3d* face)
{
  // A face the mesh lists twice holds its edges twice.
  if (face->GetFlag() != f)
    return 0;
  SFace& record = m_Faces[static_cast<std::size_t>(f)];
  for (int k = 0; k < 3; k++) {
    const CVertex3d* v = face->v(k);
    const int i = v->GetFlag();
    if (i < 0 || i >= mesh.NbVertex() || mesh.GetVertex(i) != v)
      return 0;
    record.Corner[k] = i;
    m_NbFaceAt[static_cast<std::size_t>(i)]++;
    const CFace3d* n = face->f(k);
    const int j = n ? n->GetFlag() : -1;
    if (n && (j < 0 || j >= mesh.NbFace() || mesh.GetFace(j) != n))
      return 0;
    record.Neighbor[k] = j;
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
