#pragma once

#include <unordered_map>
#include <vector>

class CFace3d;
class CHashTable;
class CVertex3d;

// Nearest-face queries against a reference surface that stays still while they run, for the
// descents of the edge-collapse costs that ask millions of them. Each face's corners and plane
// are read once into a flat record instead of on every query; the distances are those of
// SquareDistanceFromVertexToFaces and CHashTable::DistanceToNearestFace, operation for
// operation, so that every answer is the same to the bit.
class CNearestFaceSearch
{
public:
  struct SFace
  {
    CFace3d* pFace = nullptr;
    float corner[3][3] = {};
    // The face plane a x + b y + c z + d = 0 and a^2 + b^2 + c^2 as the projection rounds it.
    float plane[4] = {};
    float norm = 0.0f;
    bool projects = false;
  };

  // The table (and the mesh it holds) must outlive the search and stay unchanged.
  explicit CNearestFaceSearch(CHashTable* pHash) : m_pHash(pHash) {}

  static SFace Record(CFace3d* pFace);

  // The nearest face of the first shell of cells around p that holds one; 1.7e308 with the
  // outputs untouched when there is none.
  double DistanceToNearestFace(const CVertex3d* p, float nearest[3], CFace3d** ppFace);
  // The face and the faces around its corners, in the order CFace3d::GetFacesAroundCorners
  // lists them; valid until the next call.
  const std::vector<SFace>& FacesAroundCorners(CFace3d* pFace);
  // The nearest of the faces; 1.7e308 with the outputs untouched when none is nearer.
  static double SquareDistanceToFaces(const CVertex3d* p, const std::vector<SFace>& faces,
                                      float nearest[3], CFace3d** ppFace);

private:
  const std::vector<SFace>& CellFaces(int index);

  CHashTable* m_pHash;
  std::unordered_map<int, std::vector<SFace>> m_Cells;
  std::vector<SFace> m_Around;
};
