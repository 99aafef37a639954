#pragma once

#include <cstddef>
#include <vector>

class CFace3d;
class CMesh3d;

// The triangle encoder's copy of a mesh's connectivity as index arrays, so that its conquest
// reads a few bytes per step instead of walking the mesh's elements: per face its corners
// (vertex indices), its neighbours across edges 0 to 2 (face indices, -1 on a boundary) and
// the conquest's mark (0 free, 1 conquered), in one record of half a cache line; per vertex
// its number of faces.
class CTriangleGateTopology
{
public:
  // Sized for the mesh, whose vertex and face flags hold their own indices from here on.
  void Start(const CMesh3d& mesh);
  // Reads face f of that mesh; 0 when a corner or a neighbour is not one of its elements, or
  // the mesh lists the face again further on.
  int SetFace(const CMesh3d& mesh, int f, const CFace3d* face);

  int NbFace() const { return static_cast<int>(m_Faces.size()); }
  int Corner(int f, int k) const { return At(f).Corner[k]; }
  int Neighbor(int f, int k) const { return At(f).Neighbor[k]; }
  int Mark(int f) const { return At(f).Mark; }
  void SetMark(int f, int mark) { m_Faces[static_cast<std::size_t>(f)].Mark = mark; }
  // Every mark 0.
  void ClearMarks();
  // 1 when some face is still free.
  int HasFreeFace() const;
  // 0, 1 or 2 where face f has vertex v; -1 when it has not.
  int PositionOf(int f, int v) const
  {
    const int* c = At(f).Corner;
    return c[0] == v ? 0 : (c[1] == v ? 1 : (c[2] == v ? 2 : -1));
  }
  // 1 when the faces marked 1 around the pivot lead from inner to outer, crossing the edge
  // leaving the pivot (direction 0) or the one entering it (direction 1).
  int FanCloses(int inner, int outer, int pivot, int direction) const;

private:
  struct alignas(32) SFace
  {
    int Corner[3] = {-1, -1, -1};
    int Neighbor[3] = {-1, -1, -1};
    int Mark = 0;
  };

  const SFace& At(int f) const { return m_Faces[static_cast<std::size_t>(f)]; }

  std::vector<SFace> m_Faces;
  std::vector<int> m_NbFaceAt;
};
