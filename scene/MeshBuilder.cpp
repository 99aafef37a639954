#include "scene/MeshBuilder.h"

#include "mesh/Mesh3d.h"

#include <algorithm>

void CMeshBuilder::Reserve(long long nbVertex, long long nbFace, long long bytes)
{
  // A vertex or face line takes at least six bytes ("0 0 0\n").
  const long long bound = std::max(0LL, bytes / 6);
  m_Points.reserve(static_cast<size_t>(3 * std::clamp(nbVertex, 0LL, bound)));
  m_Faces.reserve(static_cast<size_t>(3 * std::clamp(nbFace, 0LL, bound)));
}

int CMeshBuilder::SetVertexColor(int k, const CColor& color)
{
  if (k < 0 || k >= NbVertex())
    return 0;
  if (m_VertexColors.size() < static_cast<size_t>(NbVertex()))
    m_VertexColors.resize(static_cast<size_t>(NbVertex()));
  m_VertexColors[static_cast<size_t>(k)] = color;
  return 1;
}

int CMeshBuilder::IsValid() const
{
  const int nbVertex = NbVertex();
  return std::all_of(m_Faces.begin(), m_Faces.end(),
                     [nbVertex](int i) { return i >= 0 && i < nbVertex; })
             ? 1
             : 0;
}

int CMeshBuilder::Build(CMesh3d* pMesh) const
{
  if (!IsValid())
    return 0;
  // Appended after what the mesh already holds.
  CArray3d<CVertex3d>* pVertices = pMesh->GetArrayVertex();
  const int firstVertex = pVertices->GetSize();
  const int nbVertex = NbVertex();
  pVertices->SetSize(firstVertex + nbVertex);
  for (int i = 0; i < nbVertex; i++) {
    const float* p = &m_Points[3 * static_cast<size_t>(i)];
    auto* v = pMesh->NewVertex(p[0], p[1], p[2]);
    if (static_cast<size_t>(i) < m_VertexColors.size())
      v->SetColor(&m_VertexColors[static_cast<size_t>(i)]);
    pVertices->SetAt(firstVertex + i, v);
  }
  CArray3d<CFace3d>* pFaces = pMesh->GetArrayFace();
  const int firstFace = pFaces->GetSize();
  const int nbFace = NbFace();
  pFaces->SetSize(firstFace + nbFace);
  for (int i = 0; i < nbFace; i++) {
    const int* c = &m_Faces[3 * static_cast<size_t>(i)];
    auto* f = pMesh->NewFace(pMesh->GetVertex(firstVertex + c[0]),
                             pMesh->GetVertex(firstVertex + c[1]),
                             pMesh->GetVertex(firstVertex + c[2]));
    if (static_cast<size_t>(i) < m_FaceColors.size())
      f->SetColor(&m_FaceColors[static_cast<size_t>(i)]);
    pFaces->SetAt(firstFace + i, f);
  }
  pMesh->SetModified();
  return 1;
}
