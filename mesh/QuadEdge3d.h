#pragma once

class CQuad3d;
class CQuadVertex3d;

// A directed edge V1 -> V2 of a quad mesh, the gate record of the quad coder. The quads
// on both sides and the two far corners of the right quad are searched for on first
// request and cached.
class CQuadEdge3d
{
public:
  CQuadEdge3d(CQuadVertex3d* v1, CQuadVertex3d* v2) : m_pV1(v1), m_pV2(v2) {}

  CQuadVertex3d* GetV1() const { return m_pV1; }
  CQuadVertex3d* GetV2() const { return m_pV2; }

  // The first quad around V1 holding V1 -> V2; null when none.
  CQuad3d* GetQuadLeft();
  // The first quad around V1 holding V2 -> V1; null when none.
  CQuad3d* GetQuadRight();
  // In the right quad: the corner after V1, and the corner two places after V1.
  CQuadVertex3d* GetVertexOppositeV1();
  CQuadVertex3d* GetVertexOppositeV2();

private:
  CQuad3d* FindQuadAroundV1(const CQuadVertex3d* a, const CQuadVertex3d* b) const;
  CQuadVertex3d* CornerOfRightQuad(int offset);

  CQuadVertex3d* m_pV1;
  CQuadVertex3d* m_pV2;
  CQuad3d* m_pQuadLeft = nullptr;
  CQuad3d* m_pQuadRight = nullptr;
  CQuadVertex3d* m_pVertexOppositeV2 = nullptr;
  CQuadVertex3d* m_pVertexOppositeV1 = nullptr;
};
