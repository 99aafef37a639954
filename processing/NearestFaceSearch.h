#pragma once

#include "processing/PointerStampMap.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

class CFace3d;
class CHashTable;
class CVertex3d;

// Nearest-face queries against a reference surface that stays still while they run, for the
// descents of the edge-collapse costs that ask millions of them. Each face's corners and plane
// are read once into a flat record instead of on every query, a table query is answered once
// per point, and a face whose plane or bounding ball lies beyond the best distance so far is
// passed over (it could not have replaced it). The distances are those of
// SquareDistanceFromVertexToFaces and CHashTable::DistanceToNearestFace, operation for
// operation, so that every answer is the same to the bit.
class CNearestFaceSearch
{
public:
  struct SFace
  {
    CFace3d* pFace = nullptr;
    float corner[3][3] = {};
    // Each edge from corner i to corner i + 1 and its squared length, as the border search
    // computes them.
    float edge[3][3] = {};
    double length[3] = {};
    // The face plane a x + b y + c z + d = 0 and a^2 + b^2 + c^2 as the projection rounds it.
    float plane[4] = {};
    float norm = 0.0f;
    bool projects = false;
    // A ball around the face, widened by more than the rounding of any point that the
    // distance computation puts on its border.
    double centre[3] = {};
    double reach = 0.0;
  };

  // A ball around the balls of a run of a cell's faces that lie near one another; the run's
  // positions in the cell's list are order[first] to order[end - 1].
  struct SRun
  {
    double centre[3];
    double reach;
    int first;
    int end;
  };

  // The table (and the mesh it holds) must outlive the search and stay unchanged.
  explicit CNearestFaceSearch(CHashTable* pHash) : m_pHash(pHash) {}

  static SFace Record(CFace3d* pFace);
  const SFace& GetFace(int id) const { return m_Faces[static_cast<size_t>(id)]; }

  // The nearest face of the first shell of cells around p that holds one; 1.7e308 with the
  // outputs untouched when there is none. *pId, when asked, gets the face's id (-1 for none).
  double DistanceToNearestFace(const CVertex3d* p, float nearest[3], CFace3d** ppFace,
                               int* pId = nullptr);
  // The ids of the face and of the faces around its corners, in the order
  // CFace3d::GetFacesAroundCorners lists them; the list lives as long as the search.
  const std::vector<int>& FacesAroundCorners(CFace3d* pFace);
  const std::vector<int>& FacesAroundCorners(int id);
  // Starts loading the records of the faces with these ids, which a search reads next.
  void PrefetchFaces(const std::vector<int>& ids) const;
  // Starts loading the slot where the answer for the point is kept, or would be.
  void PrefetchAnswer(const float point[3]) const;
  // The nearest of the faces; 1.7e308 with the outputs untouched when none is nearer.
  double SquareDistanceToFaces(const CVertex3d* p, const std::vector<int>& faces,
                               float nearest[3], CFace3d** ppFace) const;

private:
  // A cell's faces in the table's order and, for a cell of at least kLeastRuns runs, the same
  // positions grouped into runs of at most kRun faces by halving the box of their centres
  // along its longest side.
  struct SCell
  {
    std::vector<int> faces;
    std::vector<int> order;
    std::vector<SRun> runs;
  };
  static constexpr int kRun = 8;
  static constexpr size_t kLeastRuns = 4;

  int IdOf(CFace3d* pFace);
  const SCell& CellFaces(int index);
  // A scan of the faces in list order that keeps a face only when it is nearer than the best
  // so far: the position in the list of the one kept last, -1 when none; the distance and
  // nearest point go to the outputs. The order matters: a face is passed over by the best
  // distance of the faces before it, and the rounding of its plane distance may then hide a
  // point of its border that is a hair nearer.
  int NearestOf(const float p[3], const std::vector<int>& faces, float nearest[3],
                double* pDistance) const;
  // The same answer for a cell's list, found nearest runs first.
  int NearestInCell(const float p[3], const SCell& cell, float nearest[3],
                    double* pDistance) const;
  // Whether a face before the position lies nearer to p than the bound.
  bool AnyNearerBefore(const float p[3], const SCell& cell, int position, double bound) const;
  void SplitIntoRuns(SCell* pCell, int first, int end) const;

  // The answer of a table query, kept by the bits of the point asked: the descents start again
  // and again from the same vertices and midpoints.
  struct SAnswer
  {
    double distance;
    CFace3d* pFace;
    float nearest[3];
    int id;
  };
  struct SPointKey
  {
    std::uint32_t bits[3];
    bool operator==(const SPointKey& other) const
    {
      return bits[0] == other.bits[0] && bits[1] == other.bits[1] && bits[2] == other.bits[2];
    }
  };
  struct SPointHash
  {
    size_t operator()(const SPointKey& key) const
    {
      std::uint64_t h = key.bits[0];
      h = h * 0x9E3779B97F4A7C15ull ^ key.bits[1];
      h = h * 0x9E3779B97F4A7C15ull ^ key.bits[2];
      return static_cast<size_t>(h ^ (h >> 29));
    }
  };

  // The answers kept, in a table of open addressing at most 70 % full: millions are asked
  // for, and a kept one costs a slot of 48 bytes.
  struct SSlot
  {
    SPointKey key;
    bool used;
    SAnswer answer;
  };

  SAnswer Query(const CVertex3d* p, const float point[3]);
  const SAnswer& Answer(const CVertex3d* p);
  void GrowAnswers();

  CHashTable* m_pHash;
  std::vector<SSlot> m_Answers;
  size_t m_NbAnswer = 0;
  std::vector<SFace> m_Faces;
  // Per face id, its faces around corners once asked for.
  std::deque<std::vector<int>> m_Around;
  CPointerStampMap<int> m_Ids;
  std::unordered_map<int, SCell> m_Cells;
};
