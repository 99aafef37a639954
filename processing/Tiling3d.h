#pragma once

#include "mesh/Array3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"

#include <memory>

class CRenderView;
class CTile;
class CTilingNode;

// A surface tiling: a copy of a triangle mesh (same vertex and face order, adjacency rebuilt)
// covered by nodes and tiles. Vertex nodes sit on vertices whose stars never touch, face nodes
// on single faces left between them; nodes of adjacent covered faces are neighbours, and the
// cycles of nodes around mesh vertices are the tiles. It draws its nodes and links, not its
// faces.
//
// During and after a build the flags are the tiling's: vertex 1 = a node vertex, 2 = a
// neighbour of one or a corner of a face node, 0 = untouched; face 1 = covered. Each covered
// face points to its node through its data slot until the tiling is built again or deleted.
class CTiling3d : public CMesh3d
{
public:
  CTiling3d() = default;
  ~CTiling3d() override;

  CTiling3d(const CTiling3d&) = delete;
  CTiling3d& operator=(const CTiling3d&) = delete;

  // --- scene object (processing/Tiling3dDraw.cpp) ---------------------------------------------
  int GetType() const override { return TYPE_TILING3D; }
  // Spheres on the nodes (green on vertices, red on faces) and blue links; 0 without a node or
  // a list name.
  int BuildList() override;
  // Lighting off; 0 when hidden or nothing was drawn.
  int Draw() override;

  // --- building (processing/Tiling3d.cpp) ----------------------------------------------------
  // Places the nodes from the seed vertex (vertex 0 for an index outside the mesh), links them,
  // colours the faces of the source around each vertex node, builds the tiles and, with split,
  // cuts them into triangles. Returns the number of tiles. The source may be null (nothing is
  // coloured); a source whose vertex count differs from the tiling's is refused: 0, nothing
  // built, nothing coloured.
  int Build(unsigned int seed, int split, CMesh3d* pSource);
  // A new mesh, owned by the caller: one vertex per node at its position, one face per tile on
  // its first three nodes (tiles of fewer nodes give none), the transform copied, rebuilt.
  std::unique_ptr<CMesh3d> BuildMesh() const;
  // Relaxes the face nodes towards their neighbours, then puts each on its face; the view, when
  // given with refresh set, repaints after each iteration and at the end.
  void OptimizeNodePositions(unsigned int iterations, CRenderView* pView, int refresh);

  int NbNode() const { return m_ArrayNode.GetSize(); }
  int NbTile() const { return m_ArrayTile.GetSize(); }
  CTilingNode* GetNode(int i) const { return m_ArrayNode[i]; }
  CTile* GetTile(int i) const { return m_ArrayTile[i]; }
  // The node covering the face, or null.
  static CTilingNode* NodeOf(const CFace3d* pFace);

  // --- steps of a build, in order (processing/Tiling3d.cpp, Tiling3dTiles.cpp) ---------------
  void BuildNodeAdjacency();
  void BuildTiles();
  void SplitTiles();

private:
  // Deletes the tiles and nodes and takes the node pointers out of the faces.
  void Clear();
  void PlaceNodes(CVertex3d* pSeed);
  CTilingNode* AddVertexNode(CVertex3d* v);
  CTilingNode* AddFaceNode(CFace3d* pFace);
  void ColorSource(CMesh3d* pSource) const;
  // The tile of the walk around vertex b that starts at node n on face f and goes over face
  // g; null when g carries no node or the walk reaches a boundary.
  static std::unique_ptr<CTile> WalkTile(CTilingNode* n, CFace3d* f, CFace3d* g,
                                         const CVertex3d* b);
  float Energy() const;
  void RelaxFaceNodes(float step);
  void ProjectFaceNodes();

  CArray3d<CTile> m_ArrayTile;
  CArray3d<CTilingNode> m_ArrayNode;
  // Stands at each node in turn while the node's sphere is drawn.
  CVertex3d m_Vertex;
  unsigned int m_List = 0;
  int m_ListBuilt = 0;
};
