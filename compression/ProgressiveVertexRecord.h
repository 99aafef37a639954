#pragma once

#include <array>
#include <span>
#include <vector>

class CVertex3d;

// Geometry of one removed vertex: its quantized position expressed in a frame built from the
// quantized positions of its border, so that the decoder can rebuild the frame before knowing
// the vertex.
class CProgressiveVertexRecord
{
public:
  using Point = std::array<double, 3>;

  using Triangle = std::array<int, 3>;
  // A border has at most 6 vertices (the largest pattern), a retriangulation 4 faces: held
  // inline, records cost no allocation. Longer lists are cut there.
  static constexpr int kMaxBorder = 6;
  static constexpr int kMaxFaces = 4;

  CProgressiveVertexRecord() : m_BorderVertices{}, m_Faces{} {}
  CProgressiveVertexRecord(std::span<const Point> border, std::span<const Triangle> faces)
    : m_BorderVertices{}, m_Faces{}
  {
    SetFrame(border, faces);
  }
  // A removal as the conquest sees it: the vertex, its border in order and the faces of its
  // retriangulation as border indices. The frame is taken from the border vertices' second
  // positions as they are when it is needed, unless TakeFrameFromBorder keeps them first.
  CProgressiveVertexRecord(CVertex3d* pVertex, std::span<CVertex3d* const> border,
                           std::span<const Triangle> faces);
  // The same, given the vertex's position and second position.
  CProgressiveVertexRecord(CVertex3d* pVertex, std::span<CVertex3d* const> border,
                           std::span<const Triangle> faces, const std::array<float, 3>& position,
                           const std::array<float, 3>& second);

  void SetFrame(std::span<const Point> border, std::span<const Triangle> faces);
  // The frame from the border vertices' second (quantized) positions as they are now, kept
  // whatever becomes of them.
  void TakeFrameFromBorder();
  // Starts loading the vertex and its border, scattered in memory, some records ahead. A
  // vertex is not aligned to a line: its first two lines hold what the prediction reads.
  void PrefetchVertices() const
  {
    const auto both = [](const CVertex3d* v) {
      __builtin_prefetch(v);
      __builtin_prefetch(reinterpret_cast<const char*>(v) + 64);
    };
    both(m_pVertex);
    for (int i = 0; i < m_NbBorder; i++)
      both(m_BorderVertices[static_cast<size_t>(i)]);
  }
  // Starts loading the record itself, every line of it: the records are walked in order, but
  // between them the walk reads vertices scattered in memory and the hardware falls behind.
  void PrefetchRecord() const
  {
    const char* p = reinterpret_cast<const char*>(this);
    for (size_t offset = 0; offset < sizeof(*this); offset += 64)
      __builtin_prefetch(p + offset);
    __builtin_prefetch(p + sizeof(*this) - 1);
  }
  // The same for their second positions, once the vertices are at hand.
  void PrefetchSecondPositions() const;
  CVertex3d* GetVertex() const { return m_pVertex; }
  // The vertex's position before removal (raw geometry files).
  const std::array<float, 3>& GetPosition() const { return m_Position; }
  void SetPosition(const std::array<float, 3>& p) { m_Position = p; }
  void SetTarget(const std::array<int, 3>& target) { m_Target = target; }
  const std::array<int, 3>& GetTarget() const { return m_Target; }
  void SetCoordinates(const std::array<int, 3>& abc) { m_Coordinates = abc; }
  // The position before quantization, in grid units: where no triple reaches the target, the
  // triple whose decoded point lies nearest to it is taken.
  void SetOriginal(const Point& p)
  {
    m_Original = p;
    m_HasOriginal = true;
  }
  const std::array<int, 3>& GetCoordinates() const { return m_Coordinates; }

  // Tangential a, b and normal c of the target in the local frame, corrected so that
  // Reconstruct gives the target back whenever a nearby triple does, else the point nearest
  // to the original position. Returns the quantized position of the triple, as Reconstruct
  // gives it.
  std::array<int, 3> Predict();
  // The grid positions are quantized on: i stands for i * scale + shift on each axis.
  struct SGrid
  {
    const float* scale;
    const float* shift;
  };
  // A vertex's position in grid units: (p - shift) / scale on an axis of positive scale, else 0.
  static Point GridPosition(const CVertex3d* v, const SGrid& grid);
  // Predict, the original being the removed vertex's grid position: worked out only when no
  // triple reaches the target, the one case that reads it.
  std::array<int, 3> Predict(const SGrid& grid);
  // Predict(grid) for four records of one layer: the same residuals and positions. No
  // record's vertex lies on another's border, as in any layer, so that the four borders are
  // read before any position is set. The frames' chains of roots and divisions run side by
  // side.
  static std::array<std::array<int, 3>, 4> PredictQuad(
      const std::array<CProgressiveVertexRecord*, 4>& records, const SGrid& grid);
  // The rounded triple before the offset search, which moves each by at most 2.
  std::array<int, 3> PredictRounded() const;
  // The same for a border, faces and target given as they are, without a record.
  static std::array<int, 3> PredictRounded(std::span<const Point> border,
                                           std::span<const Triangle> faces,
                                           const std::array<int, 3>& target);
  // A bound on the length of the triple PredictRounded gives, read without building the frame:
  // three times the target's distance to the border's centroid and a unit for the rounding;
  // infinity where the frame's axes may come out far from square (a border whose first and
  // last vertices differ almost along the normal, a null normal).
  static double RoundedBound(std::span<const Point> border, std::span<const Triangle> faces,
                             const std::array<int, 3>& target);
  // Quantized position of the stored (a, b, c).
  std::array<int, 3> Reconstruct() const;
  // The same in the frame of the given border, the record left as it is.
  std::array<int, 3> Reconstruct(std::span<const Point> border, std::span<const Triangle> faces) const
  {
    return Reconstruct(m_Coordinates, border, faces);
  }
  // The quantized position of the residuals abc in the frame of the given border.
  static std::array<int, 3> Reconstruct(const std::array<int, 3>& abc, std::span<const Point> border,
                                        std::span<const Triangle> faces);
  // The arguments of one such reconstruction.
  struct SReconstruction
  {
    std::array<int, 3> abc;
    std::span<const Point> border;
    std::span<const Triangle> faces;
  };
  // Two at once, each as the call above gives it: the two frames' chains of roots and
  // divisions run side by side.
  static std::array<std::array<int, 3>, 2> ReconstructPair(const std::array<SReconstruction, 2>& in);
  // Four at once, two pairs side by side: each as the call above gives it.
  static std::array<std::array<int, 3>, 4> ReconstructQuad(const std::array<SReconstruction, 4>& in);

private:
  struct SFrame
  {
    Point origin;
    Point t1;
    Point t2;
    Point n;
    double d;  // -n . origin, the plane's offset
  };
  SFrame ComputeFrame() const;
  // The frame's border: the points kept, else the border vertices' second positions now,
  // written to *pScratch.
  std::span<const Point> FramePoints(std::array<Point, kMaxBorder>* pScratch) const;
  static SFrame ComputeFrame(std::span<const Point> border, std::span<const Triangle> faces);
  std::array<int, 3> Rounded(const SFrame& frame) const { return Rounded(frame, m_Target); }
  static std::array<int, 3> Rounded(const SFrame& frame, const std::array<int, 3>& target);
  std::array<int, 3> PredictWith(const SGrid* pGrid);
  std::array<int, 3> PredictInFrame(const SFrame& frame, const SGrid* pGrid);
  // The rest of the prediction once the rounded triple is known, and whether it decodes to
  // the target.
  std::array<int, 3> PredictFromRounded(const SFrame& frame, const std::array<int, 3>& rounded,
                                        bool exact, const SGrid* pGrid);
  std::array<int, 3> NearestToOriginal(const SFrame& frame, const std::array<int, 3>& rounded) const;
  static std::array<int, 3> Decoded(const SFrame& frame, int a, int b, int c);

  CVertex3d* m_pVertex = nullptr;
  void SetFaces(std::span<const Triangle> faces);
  static int KeepFaces(std::span<const Triangle> faces, int nbBorder,
                       std::array<Triangle, kMaxFaces>* pKept);

  // Only the first m_NbBorder and m_NbFace entries are read: a removal's record, made by the
  // thousand during the conquest, leaves the rest unwritten.
  std::array<CVertex3d*, kMaxBorder> m_BorderVertices;
  // The border's points where they were given or kept; a removal's record reads its border
  // vertices instead, and holds no points: records are made by the hundred thousand, and
  // their memory is fresh memory, each page cleared by the system.
  std::vector<Point> m_Points;
  std::array<Triangle, kMaxFaces> m_Faces;
  int m_NbBorder = 0;
  int m_NbFace = 0;
  std::array<float, 3> m_Position{0, 0, 0};
  std::array<int, 3> m_Target{0, 0, 0};
  std::array<int, 3> m_Coordinates{0, 0, 0};
  Point m_Original{0, 0, 0};
  bool m_HasOriginal = false;
};
