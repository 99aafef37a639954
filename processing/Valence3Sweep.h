#pragma once

#include <functional>
#include <queue>
#include <unordered_map>
#include <vector>

class CFace3d;
class CMesh3d;
class CVertex3d;

// The removal of the removable valence-3 vertices (CMesh3d::IsRemovableValence3) in vertex
// array order, as CMesh3d::RemoveValence3VerticesKeepingManifold does it after every
// collapse, but visiting only the vertices whose surroundings changed: an edit marks the
// vertices around it (Touch), and a sweep looks at the marked ones alone. A removal marks the
// vertices around it too: those after it in the array are seen in the same sweep, those before
// it in the next one, exactly as a pass over the whole array would meet them.
//
// Removability reads a vertex's faces and neighbours and its first neighbour's faces, so the
// vertices within one edge of every vertex that an edit changed must be marked. The run adds
// no vertex; deletions must be deferred (CMesh3d::BeginDeferredDeletion) during a sweep.
class CValence3Sweep
{
public:
  using Removed = std::function<void(const std::vector<CFace3d*>& deleted,
                                     const std::vector<CVertex3d*>& around)>;

  // Every vertex of the mesh marked, as a first whole pass would see them.
  void Begin(CMesh3d* pMesh);
  void Touch(const std::vector<CVertex3d*>& vertices);
  // A vertex that an edit deleted: never looked at again.
  void Forget(const CVertex3d* v);
  // Removes the marked vertices that are removable; after each removal `removed` gets the
  // faces deleted and the vertices marked around it. Returns how many went.
  int Sweep(const Removed& removed);

  // The vertices within `rings` edges of v, v first, each once.
  static void CollectRings(CVertex3d* v, int rings, std::vector<CVertex3d*>* pVertices);

private:
  void Touch(CVertex3d* v);

  CMesh3d* m_pMesh = nullptr;
  std::unordered_map<const CVertex3d*, int> m_Order;
  std::vector<CVertex3d*> m_Vertex;
  std::vector<char> m_Alive;
  std::priority_queue<int, std::vector<int>, std::greater<int>> m_Marked;
  std::vector<int> m_NextSweep;
  int m_Current = -1;
};
