#pragma once

#include <vector>

class CQuad3d;
class CQuadMesh3d;
class CQuadVertex3d;

// Links the elements of one subdivision step of a quad mesh from what the step recorded. Old
// quad i became the quads p * n + i, p = 0..3 (n old quads): child 0 is the old quad itself,
// children 1..3 lie in the step's quad block at 3 i + p - 1. Child p holds, from its corner p
// on: old corner p, the point of edge p, the face point, the point of edge p - 1. Slot 4 i + k
// of the record is edge k of old quad i, its across entry the slot of the same edge in the
// quad across. Vertex indices run over the old vertices, then the face points (one per old
// quad, in the face block), then the edge points (in the edge block, in the order of the
// slots that created them).
//
// Every element is found from its index by its block, not by the mesh's arrays: the step
// links each old quad's children and lists its new points while it makes them, before the
// arrays list the elements of the quads that follow. The lists and links come out as the
// build from corners makes them, with no search.
class CQuadSplitLinker
{
public:
  struct SRecord
  {
    int nbOldVertex = 0;
    int nbOldQuad = 0;
    const int* corners = nullptr;  // vertex index of corner k
    const int* edges = nullptr;    // vertex index of the point of edge k
    const int* across = nullptr;   // slot of the same edge in the quad across; -1 when none
  };

  CQuadSplitLinker(CQuadMesh3d* pMesh, const SRecord& record, CQuadVertex3d* facePoints,
                   CQuadVertex3d* edgePoints, CQuad3d* children);

  // True when every corner is an old vertex and every shared edge is recorded from both sides
  // with the same point.
  static bool Pairs(const SRecord& record);

  CQuadVertex3d* Vertex(int index) const;
  CQuad3d* Child(int part, int quad) const;

  // The neighbours of old quad i's four children.
  void LinkChildren(int i) const;
  // The lists of quad i's face point, and of the point of slot s, which created it.
  void ListFacePoint(CQuadVertex3d* v, int i);
  void ListEdgePoint(CQuadVertex3d* v, int s);
  // The lists of the old vertices, once every child exists; with `positions`, three floats by
  // vertex index, each takes its position from there too.
  void ListOldVertices(const float* positions);

private:
  // A new quad (child `part` of old quad `quad`) beside a vertex, and the vertices after and
  // before the vertex in that quad.
  struct SEntry
  {
    int part;
    int quad;
    int after;
    int before;
  };

  int Slots() const { return 4 * m_NbOldQuad; }
  int FacePoint(int quad) const { return m_NbOldVertex + quad; }
  // The child, of the quad across slot s, that holds old vertex c; null without a quad across.
  CQuad3d* ChildAcross(int s, int c) const;
  // Slot s's edge point in its two children, in quad order.
  void AddEdgeEntries(int s, SEntry* entries, int& nb) const;
  void Store(CQuadVertex3d* v, const SEntry* entries, int nb);

  CQuadMesh3d* m_pMesh;
  const int m_NbOldVertex;
  const int m_NbOldQuad;
  const int* m_Corner;
  const int* m_Edge;
  const int* m_Across;
  CQuadVertex3d* m_pFacePoints;
  CQuadVertex3d* m_pEdgePoints;
  CQuad3d* m_pChildren;
  std::vector<int> m_Neighbors;  // scratch of Store
};
