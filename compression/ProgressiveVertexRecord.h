#pragma once

#include <array>
#include <vector>

class CVertex3d;

// Geometry of one removed vertex: its quantized position expressed in a frame built from the
// quantized positions of its border, so that the decoder can rebuild the frame before knowing
// the vertex.
class CProgressiveVertexRecord
{
public:
  using Point = std::array<double, 3>;

  CProgressiveVertexRecord() = default;
  CProgressiveVertexRecord(std::vector<Point> border, std::vector<std::array<int, 3>> faces)
    : m_Border(std::move(border)), m_Faces(std::move(faces))
  {
  }
  // A removal as the conquest sees it: the vertex, its border in order and the faces of its
  // retriangulation as border indices. The frame is taken from the border later.
  CProgressiveVertexRecord(CVertex3d* pVertex, std::vector<CVertex3d*> border,
                           std::vector<std::array<int, 3>> faces);

  void SetFrame(std::vector<Point> border, std::vector<std::array<int, 3>> faces)
  {
    m_Border = std::move(border);
    m_Faces = std::move(faces);
  }
  // The frame from the border vertices' second (quantized) positions as they are now.
  void TakeFrameFromBorder();
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
  // to the original position.
  void Predict();
  // The rounded triple before the offset search, which moves each by at most 2.
  std::array<int, 3> PredictRounded() const;
  // Quantized position of the stored (a, b, c).
  std::array<int, 3> Reconstruct() const;

private:
  struct SFrame
  {
    Point origin;
    Point t1;
    Point t2;
    Point n;
  };
  SFrame ComputeFrame() const;
  std::array<int, 3> Rounded(const SFrame& frame) const;
  std::array<int, 3> NearestToOriginal(const SFrame& frame, const std::array<int, 3>& rounded) const;
  std::array<int, 3> Decoded(const SFrame& frame, int a, int b, int c) const;

  CVertex3d* m_pVertex = nullptr;
  std::vector<CVertex3d*> m_BorderVertices;
  std::vector<Point> m_Border;
  std::vector<std::array<int, 3>> m_Faces;
  std::array<float, 3> m_Position{0, 0, 0};
  std::array<int, 3> m_Target{0, 0, 0};
  std::array<int, 3> m_Coordinates{0, 0, 0};
  Point m_Original{0, 0, 0};
  bool m_HasOriginal = false;
};
