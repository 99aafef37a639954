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
  // Reads the mesh, whose vertex and face flags hold their own indices, and checks on the way
  // that it is codable: the rule of gate::IsCodable, with every corner, listed face and
  // neighbour one of the mesh's own and every face listed once. 0 when it is not.
  int Build(const CMesh3d& mesh);

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

  // Marks of the fan of the vertex being checked, by vertex index: the vertices that its
  // faces' edges leave to and come from, and the face coming from each.
  struct SStamps
  {
    std::vector<int> Out;
    std::vector<int> In;
    std::vector<int> InFace;
  };

  const SFace& At(int f) const { return m_Faces[static_cast<std::size_t>(f)]; }
  // Corners and face counts; the neighbours as pointers in pAcross. 0 on a null or degenerate
  // face, a corner that is not the mesh's, a face listed twice.
  int ReadFaces(const CMesh3d& mesh, std::vector<const CFace3d*>* pAcross);
  // Each vertex's faces in face order, as 4 * face + the vertex's corner there.
  void BuildFans();
  // A fan entry's face, and the fan's vertex's corner in it.
  int FanFace(std::size_t i) const { return m_Fans[i] >> 2; }
  int FanCorner(std::size_t i) const { return m_Fans[i] & 3; }
  // The fan of vertex v: its face list holds its faces, its edges leave to distinct vertices,
  // and each face's neighbour across the edge leaving v is the face of the fan holding the
  // reverse edge; the neighbours are read as indices.
  int CheckFan(const CMesh3d& mesh, int v, const std::vector<const CFace3d*>& across,
               SStamps* pStamps);
  // The same when the face list holds more than the fan: read from the list itself.
  int CheckFanByList(const CMesh3d& mesh, int v, const std::vector<const CFace3d*>& across);
  // 1 when the face list of v holds every face of its fan.
  int ListsFan(const CMesh3d& mesh, int v) const;

  std::vector<SFace> m_Faces;
  std::vector<int> m_NbFaceAt;
  std::vector<int> m_FanStart;
  std::vector<int> m_Fans;
};
