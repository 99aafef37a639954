#pragma once

#include "mesh/Mesh3d.h"
#include "mesh/Vector3d.h"

#include <cstddef>
#include <memory>
#include <vector>

// Cuts every face of a mesh in four from a 1->4 step's record and links the elements as a full
// adjacency build over the resulting faces links them (list orders and faces across included),
// without searching. Old face g keeps (c0, e0, e2) at index g; its other three children are
// (e0, c1, e1), (e0, e1, e2) and (e2, e1, c2) at n + 3g, n + 3g + 1, n + 3g + 2, appended in
// that order. The record holds six vertex indices per old face: its corners, then the vertices
// put on its edges 0 to 2, which do not exist yet: the step has their positions only. Every new
// element is made in room claimed beforehand, so that all are known before any is made, and
// each is written once, whole: a face with its corners, neighbours and normal, a vertex with
// its position, lists and normal.
class CTriangleSplitLinker
{
public:
  // A position or a normal, with the accessors that CVector3d builds from.
  struct SPoint
  {
    float p[3];
    float x() const { return p[0]; }
    float y() const { return p[1]; }
    float z() const { return p[2]; }
  };

  // The points are the final positions of the mesh's vertices, then those of the vertices to
  // make, one per vertex, which the caller has checked: each vertex listed once, at the index
  // it knows (GetAdjacencyIndex). They are kept in one compact array, read in memory order: the
  // faces, visited in memory order, find their corners there rather than in the scattered
  // vertices.
  CTriangleSplitLinker(CMesh3d* pMesh, int nbOldVertex, int nbOldFace,
                       const std::vector<int>& slots, const std::vector<SPoint>& points);

  // Makes the new vertices and faces, links, moves the old vertices to their points, and gives
  // every face and vertex the normal that CMesh3d::ComputeFaceNormals and ComputeVertexNormals
  // would, to the bit. False,
  // with nothing changed, when the record is not a plain 1->4 split of a clean mesh (a face
  // left whole or cut otherwise, a repeated or unlisted corner, an edge vertex on more than two
  // faces, two faces sharing two edges): the caller then splits and builds in full.
  bool Split();

private:
  bool IsClean();
  bool PairEdgeVertex(int g, int k, int* pAcross);
  int Corner(int face, int k) const { return m_Slots[6 * static_cast<std::size_t>(face) + k]; }
  int EdgeVertex(int face, int k) const { return Corner(face, 3 + k); }
  // Corners of the children of a face, kept one first: slots of its record.
  static constexpr int kChildCorners[4][3] = {{0, 3, 5}, {3, 1, 4}, {3, 4, 5}, {5, 4, 2}};
  // The corners other than the old one of the child at index `face`, one whose old corner is
  // a vertex of the mesh, in corner order: the kept child (c0, e0, e2) gives e0 and e2, the
  // first appended one (e0, c1, e1) e0 and e1, the last (e2, e1, c2) e2 and e1.
  void OtherCorners(int face, int corners[2]) const
  {
    if (face < m_NbOldFace) {
      corners[0] = EdgeVertex(face, 0);
      corners[1] = EdgeVertex(face, 2);
      return;
    }
    const int g = (face - m_NbOldFace) / 3;
    const bool first = face - m_NbOldFace == 3 * g;
    corners[0] = EdgeVertex(g, first ? 0 : 2);
    corners[1] = EdgeVertex(g, 1);
  }
  // The child of old face g at its corner k (0 to 2).
  int ChildAtCorner(int g, int k) const
  {
    return k == 0 ? g : m_NbOldFace + 3 * g + (k == 1 ? 0 : 2);
  }
  void ListOldVertices();
  void ListEdgeVertices();
  void PlaceNewElements();
  void MakeTheRest();
  void SplitFaces();
  // Sets, for each child of old face g (in the order of kChildCorners), its neighbours across
  // the old edges: the children of the faces across that hold the same old corner.
  void FindAcross(int g, CFace3d* neighbors[4][3]) const;
  // The child of g that holds corner k of g (0 to 2).
  static int ChildOfCorner(int k) { return kChildOfCorner[k]; }
  static constexpr int kChildOfCorner[3] = {0, 1, 3};
  void SetVertexNormal(int vertex, int nb);
  // Moves an old vertex to its point and stores the faces given and the neighbours they give,
  // in order, each once.
  void Store(int vertex, const int* faces, int nb);
  void StoreLists(int vertex, const int* faces, int nb, const int* neighbors, int nbNeighbor);
  // The faces and neighbours of a vertex the step puts on an edge, in list order, by where they
  // come from: 4 * side + child for the child (0 kept, then the appended ones) of face g (side
  // 0) or the face across (side 1); slot 0 to 5 of the record of g or 6 to 11 of the face
  // across.
  struct SEdgeOrder
  {
    int nbFace = 0;
    int faces[6] = {};
    int nbNeighbor = 0;
    int neighbors[6] = {};
  };
  static SEdgeOrder EdgeOrder(int k, int j, bool same);
  // By the edge of g, the edge of the face across (3: none), and whether both hold the shared
  // edge in the same direction.
  SEdgeOrder m_EdgeOrders[3][4][2];
  // Above this many faces a vertex's neighbours are told apart by stamps rather than a search.
  static constexpr int kSearchedFaces = 8;

  CMesh3d* m_pMesh;
  const int m_NbOldVertex;
  const int m_NbOldFace;
  const std::vector<int>& m_Slots;
  // Per edge vertex: the one or two slots that hold it.
  std::vector<int> m_Owner;
  // Per slot (edge k of face g, at 6 g + 2 k): the children of the face across at the ends of
  // the edge, corner k's then corner k + 1's; -1 on a boundary.
  std::unique_ptr<int[]> m_AcrossChildren;
  // Per vertex: the vertex whose neighbours were being gathered when it was last met; made
  // when first needed (few vertices have that many faces).
  std::vector<int> m_Stamp;
  std::vector<int> m_Neighbors;
  const std::vector<SPoint>& m_Points;
  CElementPool<CVertex3d>::CClaim m_NewVertices;
  CElementPool<CFace3d>::CClaim m_NewFaces;
  int m_NbFacesMade = 0;
  int m_NbVerticesMade = 0;
  // A face's normal added to the sums of its corners a, b, c.
  void AddToSums(const SPoint& normal, int a, int b, int c);
  // The sums made vertex normals, in place.
  void NormalizeSums();
  // Per vertex, the sum of the normals of its faces so far; once the faces are cut, its normal.
  std::vector<SPoint> m_Sums;
};
