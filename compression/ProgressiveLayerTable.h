#pragma once

#include <array>
#include <cstddef>
#include <vector>

class CFace3d;
class CMesh3d;
class CVertex3d;

// The progressive encoder's mesh as flat arrays for the layer conquest, so that a gate is
// processed without reading the mesh's objects. Vertices are known by their adjacency index,
// faces by their place in the mesh's face array. Per face: its corners, the faces across its
// edges and the layer's flag; per vertex: its corners in the order of its face list (face,
// corner before, corner after), valence, whether it is on a boundary, the layer's flag and
// mark. Built from the mesh, then carried from layer to layer with the changes the mesh's own
// lists get (CProgressiveCoder::UpdateAdjacency), so that both stay alike.
class CProgressiveLayerTable
{
public:
  struct SCorner
  {
    int face;
    int previous;
    int next;
    bool operator==(const SCorner&) const = default;
  };
  struct SGate
  {
    int first;
    int second;
  };

  // From the mesh's lists; false, with the table left invalid, when a face has an empty
  // corner or one of its lists names an element the mesh does not hold at that index. The
  // faces' flags are left at 0.
  bool Build(CMesh3d* pMesh);
  bool IsValid() const { return m_Valid; }
  // The same elements, lists and orders (the layer's flags aside).
  bool operator==(const CProgressiveLayerTable& other) const;
  void Invalidate() { m_Valid = false; }
  // The adjacency index of every vertex of the mesh, in the array's order: taken once the
  // removed vertices are released, before the mesh's lists are brought up to date.
  static std::vector<int> OldIndices(const CMesh3d& mesh);
  // Once the mesh's lists are up to date after a layer (dead faces flagged 2 in the table,
  // removed vertices flagged 2, the new faces noted by AddNewFace): the table follows, and
  // every vertex takes its place in the array as its adjacency index.
  void Carry(CMesh3d* pMesh, const std::vector<int>& oldIndex);
  // Layer start: flags and marks at 0, no new face.
  void ClearLayer();
  // Writes the layer's flags and marks to the mesh's objects.
  void StoreFlags() const;

  int NbVertex() const { return static_cast<int>(m_Vertex.size()); }
  CVertex3d* Vertex(int v) const { return m_Vertex[static_cast<size_t>(v)]; }
  CFace3d* Face(int f) const { return m_Face[static_cast<size_t>(f)]; }
  int Corner(int f, int k) const { return m_Corner[static_cast<size_t>(f)][static_cast<size_t>(k)]; }
  int Across(int f, int k) const { return m_Across[static_cast<size_t>(f)][static_cast<size_t>(k)]; }
  int FaceFlag(int f) const { return m_FaceFlag[static_cast<size_t>(f)]; }
  void SetFaceFlag(int f, int flag) { m_FaceFlag[static_cast<size_t>(f)] = static_cast<signed char>(flag); }
  int Flag(int v) const { return m_Flag[static_cast<size_t>(v)]; }
  void SetFlag(int v, int flag) { m_Flag[static_cast<size_t>(v)] = static_cast<signed char>(flag); }
  int Mark(int v) const { return m_Mark[static_cast<size_t>(v)]; }
  void SetMark(int v, int mark) { m_Mark[static_cast<size_t>(v)] = static_cast<signed char>(mark); }
  int Valence(int v) const { return m_Valence[static_cast<size_t>(v)]; }
  bool IsOnBoundary(int v) const { return m_Boundary[static_cast<size_t>(v)] != 0; }
  // Index of the vertex's object, -1 when the table does not hold it there.
  int IndexOf(const CVertex3d* v) const;

  // The corner of `first` whose previous corner is `second`: the face in front of the gate
  // (second, first); null when there is none.
  const SCorner* FrontCorner(int first, int second) const;
  // First corner of the face holding v, -1 when none does.
  int IndexFrom(int f, int v) const;
  bool HasVertex(int f, int v) const { return IndexFrom(f, v) >= 0; }
  // First corner of the face that is neither a nor b, -1 when there is none.
  int VertexOther(int f, int a, int b) const;

  // A face made by the layer, its corners in the table's indices. The valences of its corners
  // are read again from their objects, which the face has just made neighbours.
  void AddNewFace(CFace3d* pFace, int a, int b, int c);

  // First-in first-out gates of the layer; the storage is kept from layer to layer.
  void PushGate(int first, int second) { m_Gates.push_back({first, second}); }
  bool HasGate() const { return m_GateHead < m_Gates.size(); }
  SGate PopGate() { return m_Gates[m_GateHead++]; }

private:
  bool ReadLists();
  // Face index held in the face's flag while building; -1 when it names another face.
  int FaceIndex(const CFace3d* f) const;
  bool ComputeBoundary(int v) const;
  // Across each edge leaving v, the first other face of v's list holding the edge's end.
  void LinkFaces(int v);

  bool m_Valid = false;
  std::vector<CVertex3d*> m_Vertex;
  std::vector<CFace3d*> m_Face;
  std::vector<std::array<int, 3>> m_Corner;
  std::vector<std::array<int, 3>> m_Across;
  std::vector<signed char> m_FaceFlag;
  std::vector<signed char> m_Flag;
  std::vector<signed char> m_Mark;
  std::vector<int> m_Valence;
  std::vector<char> m_Boundary;
  std::vector<SCorner> m_Fan;
  std::vector<int> m_FanStart;
  // Faces made by the layer, in the order they were made.
  std::vector<CFace3d*> m_NewFace;
  std::vector<std::array<int, 3>> m_NewCorner;
  std::vector<SGate> m_Gates;
  size_t m_GateHead = 0;
};
