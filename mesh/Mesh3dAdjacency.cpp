#include "mesh/Mesh3d.h"

#include <algorithm>
#include <memory>

int CMesh3d::ClearVertexAdjacency()
{
  for (int i = 0; i < NbVertex(); i++) {
    if (!GetVertex(i))
      continue;
    GetVertex(i)->RemoveAllFaceNeighbor();
    GetVertex(i)->RemoveAllVertexNeighbor();
  }
  return 1;
}

namespace {

template <class T>
using Buffer = std::unique_ptr<T[]>;

template <class T>
Buffer<T> MakeBuffer(size_t n)
{
  return std::make_unique_for_overwrite<T[]>(n);
}

// Sizes a list to exactly n entries, keeping its storage when it is large enough.
template <class T>
T** ResizeList(CArray3d<T>* pList, int n)
{
  if (n > pList->GetMaxSize())
    pList->RemoveAll();
  pList->SetSize(n);
  return pList->GetData();
}

// The three relations built over vertex and face indices in a few linear passes, with the
// orders of the rules:
//   the faces of a vertex in face order, each once (a face may repeat a corner);
//   the neighbours of a vertex in the order of the corners of its faces, each once;
//   across edge k of f, the first face other than f in corner k's list that holds corner k+1.
// Every list is sized once, and no list is searched: a neighbour's slot in the list being
// built is remembered per vertex, and for each neighbour b of a the first two faces of a's
// list that hold b are kept, so the face across edge ab is found at once.
class CAdjacencyBuilder
{
public:
  explicit CAdjacencyBuilder(CMesh3d* pMesh) : m_pMesh(pMesh) {}

  // False, with nothing built, when an element stands twice in the mesh's arrays or a face
  // uses a vertex that the mesh does not list: the caller then builds by the plain rules.
  bool Build();

private:
  bool IndexVertices();
  bool ReadCorners();
  void ListFaces();
  void ListNeighbors();
  void StoreFaceNeighbors();
  void StoreVertexLists();
  int FaceAcross(int f, int k) const;

  CMesh3d* m_pMesh;
  int m_NbVertex = 0;
  int m_NbFace = 0;
  Buffer<int> m_Corner;          // 3 per face; -1 for a face that takes no part
  Buffer<int> m_FaceStart;       // per vertex + 1: its faces in m_Faces
  Buffer<int> m_Faces;
  Buffer<int> m_NeighborStart;   // per vertex + 1: its neighbours in the three arrays below
  Buffer<int> m_Neighbors;
  Buffer<int> m_FirstFace;       // first and second face of the list that hold the neighbour
  Buffer<int> m_SecondFace;
  Buffer<int> m_EdgeNeighbor;    // 3 per face: slot of corner k+1 among corner k's neighbours
};

bool CAdjacencyBuilder::Build()
{
  m_NbVertex = m_pMesh->NbVertex();
  m_NbFace = m_pMesh->NbFace();
  if (!IndexVertices() || !ReadCorners())
    return false;
  ListFaces();
  ListNeighbors();
  StoreFaceNeighbors();
  StoreVertexLists();
  return true;
}

bool CAdjacencyBuilder::IndexVertices()
{
  for (int i = 0; i < m_NbVertex; i++)
    if (CVertex3d* v = m_pMesh->GetVertex(i))
      v->SetAdjacencyIndex(i);
  for (int i = 0; i < m_NbVertex; i++) {
    const CVertex3d* v = m_pMesh->GetVertex(i);
    if (v && v->GetAdjacencyIndex() != i)
      return false;
  }
  return true;
}

// Clears the face neighbours on the way; a face met twice is caught by the mark it left in
// its first neighbour slot (a face is never its own neighbour).
bool CAdjacencyBuilder::ReadCorners()
{
  m_Corner = MakeBuffer<int>(3 * static_cast<size_t>(m_NbFace));
  for (int i = 0; i < m_NbFace; i++) {
    int* corner = &m_Corner[3 * static_cast<size_t>(i)];
    corner[0] = corner[1] = corner[2] = -1;
    CFace3d* f = m_pMesh->GetFace(i);
    if (!f)
      continue;
    if (f->f(0) == f)
      return false;
    f->SetNeighbors(f, nullptr, nullptr);
    if (f->HasNullVertex())
      continue;
    for (int k = 0; k < 3; k++) {
      const int index = f->v(k)->GetAdjacencyIndex();
      if (index < 0 || index >= m_NbVertex || m_pMesh->GetVertex(index) != f->v(k))
        return false;
      corner[k] = index;
    }
  }
  return true;
}

void CAdjacencyBuilder::ListFaces()
{
  m_FaceStart = std::make_unique<int[]>(static_cast<size_t>(m_NbVertex) + 1);
  int* count = &m_FaceStart[1];
  for (size_t i = 0; i < static_cast<size_t>(m_NbFace); i++) {
    const int* c = &m_Corner[3 * i];
    if (c[0] < 0)
      continue;
    count[c[0]]++;
    if (c[1] != c[0])
      count[c[1]]++;
    if (c[2] != c[0] && c[2] != c[1])
      count[c[2]]++;
  }
  for (int i = 0; i < m_NbVertex; i++)
    m_FaceStart[i + 1] += m_FaceStart[i];
  m_Faces = MakeBuffer<int>(static_cast<size_t>(m_FaceStart[m_NbVertex]));
  Buffer<int> next = MakeBuffer<int>(static_cast<size_t>(m_NbVertex));
  std::copy(&m_FaceStart[0], &m_FaceStart[m_NbVertex], &next[0]);
  for (int i = 0; i < m_NbFace; i++) {
    const int* c = &m_Corner[3 * static_cast<size_t>(i)];
    if (c[0] < 0)
      continue;
    m_Faces[next[c[0]]++] = i;
    if (c[1] != c[0])
      m_Faces[next[c[1]]++] = i;
    if (c[2] != c[0] && c[2] != c[1])
      m_Faces[next[c[2]]++] = i;
  }
}

void CAdjacencyBuilder::ListNeighbors()
{
  // A vertex has at most two new neighbours per face.
  const size_t capacity = 2 * static_cast<size_t>(m_FaceStart[m_NbVertex]);
  m_NeighborStart = MakeBuffer<int>(static_cast<size_t>(m_NbVertex) + 1);
  m_Neighbors = MakeBuffer<int>(capacity);
  m_FirstFace = MakeBuffer<int>(capacity);
  m_SecondFace = MakeBuffer<int>(capacity);
  m_EdgeNeighbor = MakeBuffer<int>(3 * static_cast<size_t>(m_NbFace));
  // owner[c] == a while c is in a's list, at slot[c].
  Buffer<int> owner = MakeBuffer<int>(static_cast<size_t>(m_NbVertex));
  Buffer<int> slot = MakeBuffer<int>(static_cast<size_t>(m_NbVertex));
  std::fill(&owner[0], &owner[0] + m_NbVertex, -1);
  int n = 0;
  for (int a = 0; a < m_NbVertex; a++) {
    m_NeighborStart[a] = n;
    for (int p = m_FaceStart[a]; p < m_FaceStart[a + 1]; p++) {
      const int g = m_Faces[p];
      const int* c = &m_Corner[3 * static_cast<size_t>(g)];
      for (int k = 0; k < 3; k++) {
        const int b = c[k];
        if (b == a)
          continue;
        if (owner[b] != a) {
          owner[b] = a;
          slot[b] = n - m_NeighborStart[a];
          m_Neighbors[n] = b;
          m_FirstFace[n] = g;
          m_SecondFace[n] = -1;
          n++;
          continue;
        }
        const int j = m_NeighborStart[a] + slot[b];
        if (m_FirstFace[j] != g && m_SecondFace[j] < 0)
          m_SecondFace[j] = g;
      }
      for (int k = 0; k < 3; k++) {
        if (c[k] != a)
          continue;
        const int b = c[(k + 1) % 3];
        m_EdgeNeighbor[3 * static_cast<size_t>(g) + k] = b == a ? -1 : slot[b];
      }
    }
  }
  m_NeighborStart[m_NbVertex] = n;
}

// Index of the face across edge k of face f, or -1.
int CAdjacencyBuilder::FaceAcross(int f, int k) const
{
  const int a = m_Corner[3 * static_cast<size_t>(f) + k];
  const int j = m_EdgeNeighbor[3 * static_cast<size_t>(f) + k];
  if (j < 0) {
    // An edge from a corner to itself: every other face of the corner holds both ends.
    const int p = m_FaceStart[a];
    if (p < m_FaceStart[a + 1] && m_Faces[p] != f)
      return m_Faces[p];
    return p + 1 < m_FaceStart[a + 1] ? m_Faces[p + 1] : -1;
  }
  const int s = m_NeighborStart[a] + j;
  return m_FirstFace[s] != f ? m_FirstFace[s] : m_SecondFace[s];
}

void CAdjacencyBuilder::StoreFaceNeighbors()
{
  for (int i = 0; i < m_NbFace; i++) {
    CFace3d* f = m_pMesh->GetFace(i);
    if (!f)
      continue;
    CFace3d* across[3] = {nullptr, nullptr, nullptr};
    if (m_Corner[3 * static_cast<size_t>(i)] >= 0)
      for (int k = 0; k < 3; k++) {
        const int g = FaceAcross(i, k);
        across[k] = g < 0 ? nullptr : m_pMesh->GetFace(g);
      }
    f->SetNeighbors(across[0], across[1], across[2]);
  }
}

void CAdjacencyBuilder::StoreVertexLists()
{
  for (int i = 0; i < m_NbVertex; i++) {
    CVertex3d* v = m_pMesh->GetVertex(i);
    if (!v)
      continue;
    const int first = m_FaceStart[i];
    CFace3d** faces = ResizeList(v->GetArrayFaceNeighbor(), m_FaceStart[i + 1] - first);
    for (int p = first; p < m_FaceStart[i + 1]; p++)
      faces[p - first] = m_pMesh->GetFace(m_Faces[p]);
    const int start = m_NeighborStart[i];
    CVertex3d** neighbors =
      ResizeList(v->GetArrayVertexNeighbor(), m_NeighborStart[i + 1] - start);
    for (int p = start; p < m_NeighborStart[i + 1]; p++)
      neighbors[p - start] = m_pMesh->GetVertex(m_Neighbors[p]);
  }
}

} // namespace

int CMesh3d::BuildAdjacency()
{
  if (NbVertex() >= 3 && NbFace() > 0 && CAdjacencyBuilder(this).Build())
    return 1;
  return BuildAdjacencyByRules();
}

// The rules applied one face and one vertex at a time. Kept for meshes whose arrays hold an
// element twice or whose faces use a vertex the mesh does not list.
int CMesh3d::BuildAdjacencyByRules()
{
  // The old relations go even when nothing new is built: after the last face is deleted no
  // vertex may still list it.
  for (int i = 0; i < NbFace(); i++)
    if (GetFace(i))
      GetFace(i)->SetNeighbors(nullptr, nullptr, nullptr);
  ClearVertexAdjacency();
  if (NbVertex() < 3 || NbFace() == 0)
    return 0;

  // Faces with an empty corner (an undone creation, an unmatched copy) stay out.
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    if (!f || f->HasNullVertex())
      continue;
    for (int k = 0; k < 3; k++)
      f->v(k)->AddFaceNeighbor(f);
  }

  // Neighbour vertices follow the order of the incident faces, not the order around the vertex.
  for (int i = 0; i < NbVertex(); i++) {
    CVertex3d* v = GetVertex(i);
    if (!v)
      continue;
    for (int j = 0; j < v->NbFaceNeighbor(); j++) {
      const CFace3d* f = v->GetFaceNeighbor(j);
      for (int k = 0; k < 3; k++)
        v->AddNeighbor(f->v(k));
    }
  }

  // Across edge k, the first other face around its first corner that holds both ends wins.
  for (int i = 0; i < NbFace(); i++) {
    CFace3d* f = GetFace(i);
    if (!f || f->HasNullVertex())
      continue;
    for (int k = 0; k < 3; k++) {
      const CVertex3d* a = f->v(k);
      const CVertex3d* b = f->v((k + 1) % 3);
      for (int j = 0; j < a->NbFaceNeighbor() && !f->f(k); j++) {
        CFace3d* g = a->GetFaceNeighbor(j);
        if (g != f && g->HasVertex(b))
          f->SetF(k, g);
      }
    }
  }
  return 1;
}

int CMesh3d::ComputeFaceNormals()
{
  for (int i = 0; i < NbFace(); i++)
    if (GetFace(i))
      GetFace(i)->CalculateNormal();
  m_Modified = 1;
  return 1;
}

int CMesh3d::ComputeVertexNormals()
{
  for (int i = 0; i < NbVertex(); i++) {
    CVertex3d* v = GetVertex(i);
    if (v->NbFaceNeighbor() == 0)
      continue;
    CVector3d sum;
    for (int j = 0; j < v->NbFaceNeighbor(); j++)
      sum.Add(*v->GetFaceNeighbor(j)->GetNormal());
    sum.Normalize();
    *v->GetNormal() = sum;
  }
  m_Modified = 1;
  return 1;
}

void CMesh3d::Rebuild()
{
  BuildAdjacency();
  ComputeFaceNormals();
  ComputeVertexNormals();
  SetModified();
}

int CMesh3d::FindVertex(const CVertex3d* v) const
{
  if (IndexFrom(v) >= 0)
    return 1;
  for (int i = 0; i < NbFace(); i++)
    if (GetFace(i)->HasVertex(v))
      return 1;
  for (int i = 0; i < NbVertex(); i++)
    if (GetVertex(i)->IsNeighbor(v))
      return 1;
  return 0;
}

int CMesh3d::FindFace(const CFace3d* f) const
{
  if (IndexFrom(f) >= 0)
    return 1;
  for (int i = 0; i < NbFace(); i++)
    if (GetFace(i)->HasNeighbor(f))
      return 1;
  for (int i = 0; i < NbVertex(); i++)
    if (GetVertex(i)->GetArrayFaceNeighbor()->Contains(f))
      return 1;
  return 0;
}
