#include "compression/QuadGateDecoder.h"

#include "compression/GateRun.h"
#include "compression/GateTopology.h"
#include "mesh/QuadMesh3d.h"

namespace {


// Vertices that each code brings into the order.
int NewVertices(unsigned int code)
{
  return code == 0 ? 2 : (code == 1 || code == 2 ? 1 : 0);
}

} // namespace

int CQuadGateDecoder::Decode(CQuadMesh3d* pMesh, const char* fileName, int debug,
                             CRenderView* pView, int refreshPeriod, int delay)
{
  CQuadGateState& s = m_State;
  gate::SetRun(&s, pMesh, fileName, debug, pView, refreshPeriod, delay);
  if (!pMesh || !fileName || pMesh->NbVertex() != 0 || pMesh->NbQuad() != 0)
    return 0;
  gate::SeedIndices<4> seeds;
  const int ok = Read(fileName, &seeds) && Rebuild(seeds);
  if (!gate::EndDecode(&s, ok))
    return 0;
  if (debug)
    Refresh(1);
  return 1;
}

int CQuadGateDecoder::Read(const char* fileName, gate::SeedIndices<4>* pSeeds)
{
  CQuadGateState& s = m_State;
  CIBitFile file(fileName);
  if (!file.IsValid())
    return 0;
  s.m_Genus = file.ReadBit();
  s.m_Codes.clear();
  if (!gate::ReadCodes(file, 7, 0, gate::MaxCodes(file), &s.m_Codes))
    return 0;
  long long nbVertex = 4;
  for (const unsigned int code : s.m_Codes)
    nbVertex += NewVertices(code);
  auto add = [&s](CQuadVertex3d* v) { s.m_pMesh->AddVertex(v); };
  if (!gate::ReadGeometry(file, nbVertex, &s.m_VertexOrder, add))
    return 0;
  s.m_NbMainVertex = static_cast<int>(nbVertex);
  if (s.m_Genus && !gate::ReadSeedSection<4>(file, &s.m_VertexOrder, add, pSeeds))
    return 0;
  return gate::ReadPadding(file);
}

int CQuadGateDecoder::Rebuild(const gate::SeedIndices<4>& seeds)
{
  CQuadGateState& s = m_State;
  s.m_CodeCount = 0;
  s.m_ConqueredQuads = 0;
  s.m_NextVertex = 4;
  const CArray3d<CQuadVertex3d>& order = s.m_VertexOrder;
  auto addSeed = [this](CQuadVertex3d* const* corners) {
    CQuad3d* quad = AddQuad(corners[0], corners[1], corners[2], corners[3]);
    if (quad)
      for (int c = 0; c < 4; c++)
        AddGate(quad->v(c), quad->v(c + 1));
    return quad;
  };
  if (!addSeed(order.GetData()) || !DecodeAll(0))
    return 0;
  if (s.m_Genus) {
    for (const auto& indices : seeds) {
      CQuadVertex3d* corners[4] = {order[indices[0]], order[indices[1]], order[indices[2]],
                                   order[indices[3]]};
      CQuad3d* quad = addSeed(corners);
      if (!quad)
        return 0;
      if (s.m_Debug)
        quad->SetColor(255, 0, 0);
    }
    if (!DecodeAll(1))
      return 0;
  }
  return (s.m_CodeCount == static_cast<int>(s.m_Codes.size()) &&
          s.m_NextVertex == s.m_NbMainVertex) ? 1 : 0;
}

int CQuadGateDecoder::DecodeAll(int colour)
{
  return gate::RunSteps([&] { return DecodeStep(colour); });
}

gate::EStep CQuadGateDecoder::DecodeStep(int colour)
{
  CQuadGateState& s = m_State;
  if (s.m_Gates.GetSize() == 0)
    return gate::StepDone;
  const int index = gate::ChooseGate(s.m_Gates.GetArray(), 1, [](const CQuadEdge3d* gt) {
    return gt->GetV2()->NbQuadNeighbor();
  });
  CQuadEdge3d* gt = s.m_Gates.GetAt(index);
  if (!gt->GetQuadLeft())
    return gate::StepFailed;
  if (!gt->GetQuadRight()) {
    if (s.m_CodeCount >= static_cast<int>(s.m_Codes.size()))
      return gate::StepFailed;
    const unsigned int code = s.m_Codes[static_cast<std::size_t>(s.m_CodeCount++)];
    if (code <= 5) {
      CQuadVertex3d* a = nullptr;
      CQuadVertex3d* b = nullptr;
      if (!FindCorners(code, gt, &a, &b))
        return gate::StepFailed;
      CQuad3d* quad = AddQuad(gt->GetV1(), a, b, gt->GetV2());
      if (!quad)
        return gate::StepFailed;
      s.m_ConqueredQuads++;
      if (colour && s.m_Debug)
        quad->SetColor(145, 237, 195);
    }
  }
  s.m_Gates.RemoveAt(index);
  if (s.m_Debug)
    Refresh(0);
  return gate::StepTaken;
}

int CQuadGateDecoder::FindCorners(unsigned int code, CQuadEdge3d* gt, CQuadVertex3d** ppA,
                                  CQuadVertex3d** ppB)
{
  CQuadVertex3d* g1 = gt->GetV1();
  CQuadVertex3d* g2 = gt->GetV2();
  CQuad3d* left = gt->GetQuadLeft();
  CQuad3d* end = nullptr;
  CQuadVertex3d*& a = *ppA;
  CQuadVertex3d*& b = *ppB;
  // The fan ends first: a corner that the fans cannot give fails before any vertex is taken.
  if ((code == 1 || code == 3 || code == 4) && !gate::FanEnd(left, g2, 0, &end, &b))
    return 0;
  if ((code == 2 || code == 3 || code == 5) && !gate::FanEnd(left, g1, 1, &end, &a))
    return 0;
  if (code == 4) {
    CQuadEdge3d next(g2, b);
    if (!gate::FanEnd(next.GetQuadLeft(), b, 0, &end, &a))
      return 0;
  }
  if (code == 5) {
    CQuadEdge3d previous(a, g1);
    if (!gate::FanEnd(previous.GetQuadLeft(), a, 1, &end, &b))
      return 0;
  }
  if (code == 0 || code == 1)
    a = NextVertex();
  if (code == 0 || code == 2)
    b = NextVertex();
  if (!a || !b)
    return 0;
  if (code == 0 || code == 1 || code == 4)
    AddGate(g1, a);
  if (code != 4 && code != 5)
    AddGate(a, b);
  if (code == 0 || code == 2 || code == 5)
    AddGate(b, g2);
  return 1;
}

CQuadVertex3d* CQuadGateDecoder::NextVertex()
{
  CQuadGateState& s = m_State;
  return s.m_NextVertex < s.m_NbMainVertex ? s.m_VertexOrder[s.m_NextVertex++] : nullptr;
}

CQuad3d* CQuadGateDecoder::AddQuad(CQuadVertex3d* v0, CQuadVertex3d* v1, CQuadVertex3d* v2,
                                   CQuadVertex3d* v3)
{
  auto* quad = new CQuad3d(v0, v1, v2, v3);
  m_State.m_pMesh->AddQuad(quad);
  if (!gate::HasDistinctCorners(quad))
    return nullptr;
  for (int c = 0; c < 4; c++)
    quad->v(c)->AddQuadNeighbor(quad);
  if (!gate::LinkFace(quad))
    return nullptr;
  if (m_State.m_Debug)
    quad->CalculateNormal();
  return quad;
}

void CQuadGateDecoder::AddGate(CQuadVertex3d* v1, CQuadVertex3d* v2)
{
  m_State.m_Gates.Add(new CQuadEdge3d(v1, v2));
}

void CQuadGateDecoder::Refresh(int force)
{
  gate::Refresh(m_State, QuadGateRefreshCounter(), force);
}
