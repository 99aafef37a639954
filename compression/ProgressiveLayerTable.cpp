#include "compression/ProgressiveLayerTable.h"

#include "mesh/Face3d.h"
#include "mesh/Mesh3d.h"
#include "mesh/Vertex3d.h"

#include <algorithm>

int CProgressiveLayerTable::FaceIndex(const CFace3d* f) const
{
  const int id = f ? f->GetFlag() : -1;
  if (id < 0 || id >= static_cast<int>(m_Face.size()) || m_Face[static_cast<size_t>(id)] != f)
    return -1;
  return id;
}

bool CProgressiveLayerTable::operator==(const CProgressiveLayerTable& other) const
{
  return m_Valid == other.m_Valid && m_Vertex == other.m_Vertex && m_Face == other.m_Face &&
         m_Corner == other.m_Corner && m_Across == other.m_Across && m_Valence == other.m_Valence &&
         m_Boundary == other.m_Boundary && m_Fan == other.m_Fan && m_FanStart == other.m_FanStart;
}

int CProgressiveLayerTable::IndexOf(const CVertex3d* v) const
{
  const int id = v ? v->GetAdjacencyIndex() : -1;
  if (id < 0 || id >= NbVertex() || m_Vertex[static_cast<size_t>(id)] != v)
    return -1;
  return id;
}

// The faces' flags hold their indices while the lists are read.
bool CProgressiveLayerTable::Build(CMesh3d* pMesh)
{
  m_Valid = false;
  const int nv = pMesh->NbVertex();
  const int nf = pMesh->NbFace();
  m_Vertex.resize(static_cast<size_t>(nv));
  for (int i = 0; i < nv; i++) {
    m_Vertex[static_cast<size_t>(i)] = pMesh->GetVertex(i);
    if (!m_Vertex[static_cast<size_t>(i)] || m_Vertex[static_cast<size_t>(i)]->GetAdjacencyIndex() != i)
      return false;
  }
  m_Face.resize(static_cast<size_t>(nf));
  for (int j = 0; j < nf; j++) {
    m_Face[static_cast<size_t>(j)] = pMesh->GetFace(j);
    if (!m_Face[static_cast<size_t>(j)])
      return false;
    m_Face[static_cast<size_t>(j)]->SetFlag(j);
  }
  const bool read = ReadLists();
  pMesh->SetFacesFlag(0);
  if (!read)
    return false;
  m_FaceFlag.assign(static_cast<size_t>(nf), 0);
  ClearLayer();
  m_Valid = true;
  return true;
}

bool CProgressiveLayerTable::ReadLists()
{
  const size_t nf = m_Face.size();
  m_Corner.resize(nf);
  m_Across.resize(nf);
  for (size_t j = 0; j < nf; j++) {
    const CFace3d* f = m_Face[j];
    for (int k = 0; k < 3; k++) {
      const int c = IndexOf(f->v(k));
      const int g = FaceIndex(f->f(k));
      if (c < 0 || (f->f(k) && g < 0))
        return false;
      m_Corner[j][static_cast<size_t>(k)] = c;
      m_Across[j][static_cast<size_t>(k)] = g;
    }
  }
  const int nv = NbVertex();
  m_Fan.clear();
  m_FanStart.assign(static_cast<size_t>(nv) + 1, 0);
  m_Valence.resize(static_cast<size_t>(nv));
  m_Boundary.resize(static_cast<size_t>(nv));
  for (int i = 0; i < nv; i++) {
    const CVertex3d* v = m_Vertex[static_cast<size_t>(i)];
    for (int n = 0; n < v->NbFaceNeighbor(); n++) {
      const int f = FaceIndex(v->GetFaceNeighbor(n));
      if (f < 0)
        return false;
      const auto& c = m_Corner[static_cast<size_t>(f)];
      for (size_t k = 0; k < 3; k++)
        if (c[k] == i)
          m_Fan.push_back({f, c[(k + 2) % 3], c[(k + 1) % 3]});
    }
    m_FanStart[static_cast<size_t>(i) + 1] = static_cast<int>(m_Fan.size());
    m_Valence[static_cast<size_t>(i)] = v->NbVertexNeighbor();
    m_Boundary[static_cast<size_t>(i)] = ComputeBoundary(i) ? 1 : 0;
  }
  return true;
}

// As CVertex3d::IsOnBoundary: some face of v lacks a neighbour across one of the two edges
// at v's first corner in it.
bool CProgressiveLayerTable::ComputeBoundary(int v) const
{
  const int end = m_FanStart[static_cast<size_t>(v) + 1];
  for (int e = m_FanStart[static_cast<size_t>(v)]; e < end; e++) {
    const int f = m_Fan[static_cast<size_t>(e)].face;
    const int k = IndexFrom(f, v);
    if (Across(f, k) < 0 || Across(f, (k + 2) % 3) < 0)
      return true;
  }
  return false;
}

void CProgressiveLayerTable::ClearLayer()
{
  m_FaceFlag.assign(m_Face.size(), 0);
  m_Flag.assign(m_Vertex.size(), 0);
  m_Mark.assign(m_Vertex.size(), 0);
  m_NewFace.clear();
  m_NewCorner.clear();
  m_Gates.clear();
  m_GateHead = 0;
}

void CProgressiveLayerTable::StoreFlags() const
{
  for (size_t j = 0; j < m_Face.size(); j++)
    m_Face[j]->SetFlag(m_FaceFlag[j]);
  for (size_t i = 0; i < m_Vertex.size(); i++) {
    m_Vertex[i]->SetFlag(m_Flag[i]);
    m_Vertex[i]->SetMark(m_Mark[i]);
  }
}

const CProgressiveLayerTable::SCorner* CProgressiveLayerTable::FrontCorner(int first, int second) const
{
  const int end = m_FanStart[static_cast<size_t>(first) + 1];
  for (int e = m_FanStart[static_cast<size_t>(first)]; e < end; e++)
    if (m_Fan[static_cast<size_t>(e)].previous == second)
      return &m_Fan[static_cast<size_t>(e)];
  return nullptr;
}

int CProgressiveLayerTable::IndexFrom(int f, int v) const
{
  const auto& c = m_Corner[static_cast<size_t>(f)];
  for (int k = 0; k < 3; k++)
    if (c[static_cast<size_t>(k)] == v)
      return k;
  return -1;
}

int CProgressiveLayerTable::VertexOther(int f, int a, int b) const
{
  for (const int c : m_Corner[static_cast<size_t>(f)])
    if (c != a && c != b)
      return c;
  return -1;
}

void CProgressiveLayerTable::AddNewFace(CFace3d* pFace, int a, int b, int c)
{
  m_NewFace.push_back(pFace);
  m_NewCorner.push_back({a, b, c});
  for (const int v : {a, b, c})
    m_Valence[static_cast<size_t>(v)] = m_Vertex[static_cast<size_t>(v)]->NbVertexNeighbor();
}

// A face of v holds v, the corner before and the corner after it: whether it holds the end
// of an edge is read from v's own corners.
void CProgressiveLayerTable::LinkFaces(int v)
{
  const SCorner* begin = m_Fan.data() + m_FanStart[static_cast<size_t>(v)];
  const SCorner* end = m_Fan.data() + m_FanStart[static_cast<size_t>(v) + 1];
  for (const SCorner* e = begin; e < end; e++) {
    const int f = e->face;
    const auto& c = m_Corner[static_cast<size_t>(f)];
    for (size_t k = 0; k < 3; k++) {
      if (c[k] != v || c[(k + 1) % 3] != e->next || c[(k + 2) % 3] != e->previous)
        continue;
      const int b = e->next;
      int across = -1;
      for (const SCorner* g = begin; g < end && across < 0; g++)
        if (g->face != f && (b == v || g->previous == b || g->next == b))
          across = g->face;
      m_Across[static_cast<size_t>(f)][k] = across;
    }
  }
}

// Kept faces keep their order and the new ones follow, as in the mesh's array once the dead
// faces are gone. A vertex on no changed face keeps its corners; the others lose the dead
// faces and take the new ones, in the order they were made.
std::vector<int> CProgressiveLayerTable::OldIndices(const CMesh3d& mesh)
{
  std::vector<int> old(static_cast<size_t>(mesh.NbVertex()));
  for (int i = 0; i < mesh.NbVertex(); i++)
    old[static_cast<size_t>(i)] = mesh.GetVertex(i)->GetAdjacencyIndex();
  return old;
}

void CProgressiveLayerTable::Carry(CMesh3d* pMesh, const std::vector<int>& oldIndex)
{
  const size_t oldNf = m_Face.size();
  const size_t oldNv = m_Vertex.size();
  std::vector<int> faceMap(oldNf, -1);
  int kept = 0;
  for (size_t j = 0; j < oldNf; j++)
    if (m_FaceFlag[j] != 2)
      faceMap[j] = kept++;
  const int nv = pMesh->NbVertex();
  std::vector<int> vertexMap(oldNv, -1);
  std::vector<int> oldOf(static_cast<size_t>(nv));
  std::vector<CVertex3d*> vertex(static_cast<size_t>(nv));
  for (int i = 0; i < nv; i++) {
    CVertex3d* v = pMesh->GetVertex(i);
    const int old = oldIndex[static_cast<size_t>(i)];
    vertexMap[static_cast<size_t>(old)] = i;
    oldOf[static_cast<size_t>(i)] = old;
    vertex[static_cast<size_t>(i)] = v;
    v->SetAdjacencyIndex(i);
  }
  std::vector<char> touched(oldNv, 0);
  for (size_t j = 0; j < oldNf; j++)
    if (m_FaceFlag[j] == 2)
      for (const int c : m_Corner[j])
        touched[static_cast<size_t>(c)] = 1;
  // The new faces of each vertex, once per face.
  std::vector<int> newStart(oldNv + 1, 0);
  auto forNewCorners = [this](auto fn) {
    for (size_t n = 0; n < m_NewCorner.size(); n++) {
      const auto& c = m_NewCorner[n];
      for (size_t k = 0; k < 3; k++)
        if ((k == 0 || c[k] != c[0]) && (k < 2 || c[2] != c[1]))
          fn(c[k], static_cast<int>(n));
    }
  };
  forNewCorners([&](int v, int) { newStart[static_cast<size_t>(v) + 1]++; });
  for (size_t i = 1; i < newStart.size(); i++)
    newStart[i] += newStart[i - 1];
  std::vector<int> newFaces(static_cast<size_t>(newStart.back()));
  std::vector<int> cursor(newStart.begin(), newStart.end() - 1);
  forNewCorners([&](int v, int n) {
    touched[static_cast<size_t>(v)] = 1;
    newFaces[static_cast<size_t>(cursor[static_cast<size_t>(v)]++)] = n;
  });

  const size_t nf = static_cast<size_t>(kept) + m_NewFace.size();
  std::vector<CFace3d*> face(nf);
  std::vector<std::array<int, 3>> corner(nf);
  std::vector<std::array<int, 3>> across(nf);
  auto mapVertex = [&vertexMap](int v) { return vertexMap[static_cast<size_t>(v)]; };
  auto mapFace = [&faceMap](int f) { return f < 0 ? -1 : faceMap[static_cast<size_t>(f)]; };
  for (size_t j = 0; j < oldNf; j++) {
    const int to = faceMap[j];
    if (to < 0)
      continue;
    face[static_cast<size_t>(to)] = m_Face[j];
    for (size_t k = 0; k < 3; k++) {
      corner[static_cast<size_t>(to)][k] = mapVertex(m_Corner[j][k]);
      across[static_cast<size_t>(to)][k] = mapFace(m_Across[j][k]);
    }
  }
  for (size_t n = 0; n < m_NewFace.size(); n++) {
    const size_t to = static_cast<size_t>(kept) + n;
    face[to] = m_NewFace[n];
    for (size_t k = 0; k < 3; k++) {
      corner[to][k] = mapVertex(m_NewCorner[n][k]);
      across[to][k] = -1;
    }
  }

  std::vector<SCorner> fan;
  fan.reserve(m_Fan.size() + 3 * m_NewFace.size());
  std::vector<int> fanStart(static_cast<size_t>(nv) + 1, 0);
  std::vector<int> valence(static_cast<size_t>(nv));
  for (int i = 0; i < nv; i++) {
    const size_t old = static_cast<size_t>(oldOf[static_cast<size_t>(i)]);
    for (int e = m_FanStart[old]; e < m_FanStart[old + 1]; e++) {
      const SCorner& c = m_Fan[static_cast<size_t>(e)];
      if (m_FaceFlag[static_cast<size_t>(c.face)] != 2)
        fan.push_back({mapFace(c.face), mapVertex(c.previous), mapVertex(c.next)});
    }
    for (int n = newStart[old]; n < newStart[old + 1]; n++) {
      const int made = newFaces[static_cast<size_t>(n)];
      const auto& c = corner[static_cast<size_t>(kept + made)];
      for (size_t k = 0; k < 3; k++)
        if (c[k] == i)
          fan.push_back({kept + made, c[(k + 2) % 3], c[(k + 1) % 3]});
    }
    fanStart[static_cast<size_t>(i) + 1] = static_cast<int>(fan.size());
    valence[static_cast<size_t>(i)] = touched[old] ? vertex[static_cast<size_t>(i)]->NbVertexNeighbor()
                                                   : m_Valence[old];
  }
  std::vector<char> boundary(static_cast<size_t>(nv));
  for (int i = 0; i < nv; i++)
    boundary[static_cast<size_t>(i)] = m_Boundary[static_cast<size_t>(oldOf[static_cast<size_t>(i)])];

  m_Vertex.swap(vertex);
  m_Face.swap(face);
  m_Corner.swap(corner);
  m_Across.swap(across);
  m_Fan.swap(fan);
  m_FanStart.swap(fanStart);
  m_Valence.swap(valence);
  m_Boundary.swap(boundary);
  for (int i = 0; i < nv; i++)
    if (touched[static_cast<size_t>(oldOf[static_cast<size_t>(i)])])
      LinkFaces(i);
  for (int i = 0; i < nv; i++)
    if (touched[static_cast<size_t>(oldOf[static_cast<size_t>(i)])])
      m_Boundary[static_cast<size_t>(i)] = ComputeBoundary(i) ? 1 : 0;
  ClearLayer();
  m_Valid = true;
}
