#include "mesh/HashTable.h"

#include "mesh/GeometryUtil.h"
#include "mesh/LineSearchTree.h"
#include "mesh/Mesh3d.h"
#include "platform/core/Redraw.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
constexpr double kFar = 1.7e308;
}

CHashTable::CHashTable(int n) : m_n(std::max(n, 0)), m_pBoxMesh(std::make_unique<CMesh3d>())
{
  m_ArrayCell.SetSize(m_n * m_n * m_n);
}

CHashTable::~CHashTable() { m_ArrayCell.DeleteAll(); }

template <class Fn>
void CHashTable::ForEachCell(Fn fn) const
{
  for (int i = 0; i < m_ArrayCell.GetSize(); i++)
    if (m_ArrayCell[i])
      fn(m_ArrayCell[i]);
}

template <class Fn>
int CHashTable::ForEachCellOnShell(int ci, int cj, int ck, int r, Fn fn) const
{
  int found = 0;
  for (int i = std::max(ci - r, 0); i <= std::min(ci + r, m_n - 1); i++)
    for (int j = std::max(cj - r, 0); j <= std::min(cj + r, m_n - 1); j++)
      for (int k = std::max(ck - r, 0); k <= std::min(ck + r, m_n - 1); k++) {
        if (std::abs(i - ci) != r && std::abs(j - cj) != r && std::abs(k - ck) != r)
          continue;
        CHashCell* pCell = m_ArrayCell[Index(i, j, k)];
        if (!pCell)
          continue;
        found = 1;
        fn(pCell);
      }
  return found;
}

int CHashTable::IntersectLine(const CVertex3d* a, const CVertex3d* b, CVertex3d* pHit,
                              CFace3d** ppFace)
{
  *ppFace = nullptr;
  if (!m_pMesh)
    return 0;
  if (!m_pLineSearch)
    m_pLineSearch = std::make_unique<CLineSearchTree>(m_pMesh);
  return m_pLineSearch->NearestIntersection(a, b, pHit, ppFace);
}

// --- filling -----------------------------------------------------------------------------------

int CHashTable::Fill(CMesh3d* pMesh, CRenderView* pWindow)
{
  if (pMesh->NbFace() == 0 || m_n == 0)
    return 0;
  m_pMesh = pMesh;
  m_pWindow = pWindow;
  m_pLineSearch.reset();
  for (int axis = 0; axis < 3; axis++) {
    pMesh->GetRange(axis, &m_Min[axis], &m_Max[axis]);
    const double extent = static_cast<double>(m_Max[axis]) - m_Min[axis];
    // A flat axis is one cell thick.
    m_Scale[axis] = extent > 0.0 ? static_cast<float>(m_n / extent) : 0.0f;
  }

  SCellRecord records[3];
  for (int f = 0; f < pMesh->NbFace(); f++) {
    CFace3d* pFace = pMesh->GetFace(f);
    const int nb = CellsOfFace(pFace, records);
    for (int r = 0; r < nb; r++) {
      CHashCell* pCell = m_ArrayCell[records[r].index];
      if (!pCell)
        pCell = CreateCell(records[r]);
      pCell->AddFace(pFace);
    }
  }

  if (m_pBoxMesh) {
    m_pBoxMesh->Free();
    m_pBoxMesh->GenerateBox(1.0f, 1.0f, 1.0f);
    for (int axis = 0; axis < 3; axis++)
      m_pBoxMesh->Range(axis, m_Min[axis], m_Min[axis] + 0.99f * (m_Max[axis] - m_Min[axis]));
  }
  return 1;
}

CHashCell* CHashTable::CreateCell(const SCellRecord& record)
{
  const int grid[3] = {record.i, record.j, record.k};
  float lo[3];
  float hi[3];
  for (int axis = 0; axis < 3; axis++) {
    const double extent = static_cast<double>(m_Max[axis]) - m_Min[axis];
    lo[axis] = static_cast<float>(m_Min[axis] + static_cast<double>(grid[axis]) / m_n * extent);
    hi[axis] = static_cast<float>(m_Min[axis] + static_cast<double>(grid[axis] + 1) / m_n * extent);
  }
  auto* pCell = new CHashCell(record.i, record.j, record.k, lo[0], hi[0], lo[1], hi[1], lo[2], hi[2]);
  m_ArrayCell.SetAt(record.index, pCell);
  return pCell;
}

int CHashTable::CellsOfFace(const CFace3d* pFace, SCellRecord* pRecords) const
{
  int nb = 0;
  for (int c = 0; c < 3; c++) {
    SCellRecord record{};
    record.index = CellIndex(pFace->v(c), &record.i, &record.j, &record.k);
    const bool seen = std::any_of(pRecords, pRecords + nb,
                                  [&](const SCellRecord& r) { return r.index == record.index; });
    if (!seen)
      pRecords[nb++] = record;
  }
  return nb;
}

// --- cells of points ---------------------------------------------------------------------------

int CHashTable::AxisIndex(int axis, float coordinate) const
{
  const double c = std::floor(static_cast<double>(coordinate - m_Min[axis]) * m_Scale[axis]);
  // The upper face of the box falls in the last cell; below the box (or NaN) in the first.
  if (c >= m_n)
    return m_n - 1;
  if (!(c >= 0.0))
    return 0;
  return static_cast<int>(c) % m_n;
}

int CHashTable::CellIndex(const CVertex3d* p, int* pI, int* pJ, int* pK) const
{
  *pI = AxisIndex(0, p->x());
  *pJ = AxisIndex(1, p->y());
  *pK = AxisIndex(2, p->z());
  return Index(*pI, *pJ, *pK);
}

int CHashTable::CellIndexOutside(const CVertex3d* p, int* pI, int* pJ, int* pK) const
{
  CVertex3d nearest;
  nearest.Set(p);
  CFace3d* pFace = nullptr;
  if (m_pBoxMesh)
    m_pBoxMesh->DistanceToFace(p, &nearest, &pFace);
  return CellIndex(&nearest, pI, pJ, pK);
}

int CHashTable::Contains(const CVertex3d* p) const
{
  for (int axis = 0; axis < 3; axis++) {
    const float c = p->Get(axis);
    const bool flat = m_Min[axis] == m_Max[axis];
    if (flat ? c != m_Min[axis] : (c < m_Min[axis] || c >= m_Max[axis]))
      return 0;
  }
  return 1;
}

void CHashTable::StartCell(const CVertex3d* p, int* pI, int* pJ, int* pK) const
{
  if (Contains(p))
    CellIndex(p, pI, pJ, pK);
  else
    CellIndexOutside(p, pI, pJ, pK);
}

// --- queries -----------------------------------------------------------------------------------

double CHashTable::DistanceToNearestFace(const CVertex3d* p, CVertex3d* pNearest, CFace3d** ppFace,
                                         int redraw)
{
  double best = kFar;
  if (!m_pMesh)
    return best;
  int ci = 0;
  int cj = 0;
  int ck = 0;
  StartCell(p, &ci, &cj, &ck);
  CVertex3d nearest;
  CFace3d* pFace = nullptr;
  for (int r = 0; r <= m_n; r++) {
    const int found = ForEachCellOnShell(ci, cj, ck, r, [&](const CHashCell* pCell) {
      const double d = pCell->SquareDistanceToFaces(p, &nearest, &pFace);
      if (d < best) {
        best = d;
        pNearest->Set(&nearest);
        *ppFace = pFace;
      }
    });
    if (redraw == 1 && m_pWindow)
      platform::RedrawView(m_pWindow);
    if (found)
      break;
  }
  return best;
}

int CHashTable::FindFaceInNearestCell(const CVertex3d* p, CFace3d** ppFace) const
{
  if (!m_pMesh)
    return 0;
  int ci = 0;
  int cj = 0;
  int ck = 0;
  StartCell(p, &ci, &cj, &ck);
  for (int r = 0; r <= m_n; r++) {
    CFace3d* pFirst = nullptr;
    ForEachCellOnShell(ci, cj, ck, r, [&](const CHashCell* pCell) {
      if (!pFirst && pCell->NbFace() > 0)
        pFirst = pCell->GetArrayFace()->GetAt(0);
    });
    if (pFirst) {
      *ppFace = pFirst;
      return 1;
    }
  }
  return 0;
}

int CHashTable::NearestIntersection(const CVertex3d* a, const CVertex3d* b, CVertex3d* pHit,
                                    CFace3d** ppFace, int* pCount, int maxRadius) const
{
  *ppFace = nullptr;
  *pCount = 0;
  if (!m_pMesh)
    return 0;
  int ci = 0;
  int cj = 0;
  int ck = 0;
  StartCell(a, &ci, &cj, &ck);
  CVertex3d hit;
  for (int r = 0; r <= m_n && r <= maxRadius; r++) {
    double best = kFar;
    ForEachCellOnShell(ci, cj, ck, r, [&](const CHashCell* pCell) {
      CFace3d* pFace = nullptr;
      int tested = 0;
      const int hits =
        NearestIntersectionWithFaces(pCell->GetArrayFace(), a, b, &hit, &pFace, &tested);
      *pCount += tested;
      if (hits == 0)
        return;
      const double d = SquareDistance(&hit, a);
      if (d < best) {
        best = d;
        pHit->Set(&hit);
        *ppFace = pFace;
      }
    });
    if (*ppFace)
      return 1;
  }
  return 0;
}

// --- cell statistics ---------------------------------------------------------------------------

int CHashTable::IsCellEmpty(int index) const
{
  const CHashCell* pCell = m_ArrayCell[index];
  return (!pCell || pCell->NbFace() == 0) ? 1 : 0;
}

int CHashTable::CountCells() const
{
  int n = 0;
  ForEachCell([&n](const CHashCell*) { n++; });
  return n;
}

void CHashTable::SetCellsFlag(int flag)
{
  ForEachCell([flag](CHashCell* pCell) { pCell->SetFlag(flag); });
}

int CHashTable::CountCellsWithFlag(int flag) const
{
  int n = 0;
  ForEachCell([&](const CHashCell* pCell) { n += pCell->GetFlag() == flag ? 1 : 0; });
  return n;
}

int CHashTable::AllCellsHaveFlag(int flag) const
{
  if (m_ArrayCell.GetSize() == 0)
    return 0;
  return CountCellsWithFlag(flag) == CountCells() ? 1 : 0;
}

double CHashTable::MeanFacesPerCell() const
{
  int faces = 0;
  ForEachCell([&faces](const CHashCell* pCell) { faces += pCell->NbFace(); });
  const int cells = CountCells();
  return cells == 0 ? 0.0 : static_cast<double>(faces) / cells;
}

int CHashTable::AllCellsEmpty() const
{
  int faces = 0;
  ForEachCell([&faces](const CHashCell* pCell) { faces += pCell->NbFace(); });
  return faces == 0 ? 1 : 0;
}

// --- drawing -----------------------------------------------------------------------------------

int CHashTable::Draw()
{
  glPushMatrix();
  if (m_pMesh)
    m_pMesh->GetTransform()->Apply();
  const GLboolean lighting = glIsEnabled(GL_LIGHTING);
  glDisable(GL_LIGHTING);
  ForEachCell([](const CHashCell* pCell) {
    if (pCell->GetFlag() == 1)
      glColor3ub(255, 0, 0);
    else
      glColor3ub(255, 255, 0);
    pCell->Draw();
  });
  glColor3ub(255, 0, 0);
  DrawBox(m_Min[0], m_Max[0], m_Min[1], m_Max[1], m_Min[2], m_Max[2]);
  if (lighting)
    glEnable(GL_LIGHTING);
  glPopMatrix();
  return 1;
}
