#include "compression/QuadGateCoder.h"

#include "compression/GateCodes.h"
#include "compression/GateRun.h"
#include "compression/GateStream.h"
#include "compression/GateTopology.h"
#include "mesh/QuadMesh3d.h"

int* QuadGateRefreshCounter()
{
  static int counter = 0;
  return &counter;
}

namespace {

int ConqueredAtVertex2(const CQuadEdge3d* gt)
{
  return gt->GetV2()->NbQuadNeighborWithFlag(1);
}

} // namespace

int CQuadGateCoder::Encode(CQuadMesh3d* pMesh, const char* fileName, int seedQuad, int debug,
                           CRenderView* pView, int refreshPeriod, int delay, int stepLimitFlag,
                           int stepLimit)
{
  CQuadGateState& s = m_State;
  gate::SetRun(&s, pMesh, fileName, debug, pView, refreshPeriod, delay);
  s.m_SeedQuad = seedQuad;
  s.m_StepLimitFlag = stepLimitFlag;
  s.m_StepLimit = stepLimit;
  if (!pMesh || !fileName || seedQuad < 0 || seedQuad >= pMesh->NbQuad() ||
      !gate::IsCodable(*pMesh->GetArrayQuad()))
    return 0;

  s.m_NbMainVertex = gate::ConquerAll(*pMesh->GetArrayQuad(), s.m_SeedQuads, &s.m_VertexOrder,
                                      [this](const std::vector<CQuad3d*>& extra) { Conquer(extra); });
  if (s.m_NbMainVertex < 0)
    return 0;
  s.m_Codes.resize(static_cast<std::size_t>(s.m_CodeCount));
  if (!WriteStream())
    return 0;
  if (debug)
    Refresh(1);
  return 1;
}

void CQuadGateCoder::Initialize()
{
  CQuadGateState& s = m_State;
  CQuadMesh3d* mesh = s.m_pMesh;
  mesh->SetFlagQuads(0);
  mesh->SetFlagVertices(0);
  if (s.m_Debug)
    mesh->SetColorQuads(212, 208, 200);
  s.m_Gates.RemoveAll();
  s.m_SeedQuads.RemoveAll();
  s.m_VertexOrder.RemoveAll();
  s.m_Codes.clear();
  s.m_Codes.reserve(static_cast<std::size_t>(mesh->NbQuad()) * 6);
  s.m_CodeCount = 0;
  s.m_ConqueredQuads = 0;
  s.m_Genus = 0;
  if (s.m_Debug)
    Refresh(1);

  CQuad3d* seed = mesh->GetQuad(s.m_SeedQuad);
  for (int i = 0; i < 4; i++) {
    seed->v(i)->SetFlag(1);
    s.m_VertexOrder.Add(seed->v(i));
    AddGate(seed->v(i), seed->v(i + 1));
  }
  seed->SetFlag(1);
  if (s.m_Debug)
    seed->SetColor(0, 0, 255);
  s.m_NextVertex = 4;
}

void CQuadGateCoder::Conquer(const std::vector<CQuad3d*>& extraSeeds)
{
  Initialize();
  while (ConquerStep(156, 207, 255)) {
  }
  FindSeeds();
  for (CQuad3d* quad : extraSeeds)
    if (quad->GetFlag() == 0)
      gate::AddSeed(&m_State.m_SeedQuads, quad);
  m_State.m_Genus = m_State.m_SeedQuads.GetSize() > 0 ? 1 : 0;
  OpenSeeds();
  while (ConquerStep(145, 237, 195)) {
  }
}

int CQuadGateCoder::ConquerStep(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
  CQuadGateState& s = m_State;
  if (s.m_Gates.GetSize() == 0)
    return 0;
  const int index = gate::ChooseGate(s.m_Gates.GetArray(), 1, ConqueredAtVertex2);
  CQuadEdge3d* gt = s.m_Gates.GetAt(index);
  CQuad3d* right = gt->GetQuadRight();
  int code = -1;
  if (!right) {
    code = 6;
  } else if (right->GetFlag() == 0) {
    code = ChooseCode(gt);
    if (code != 6) {
      s.m_ConqueredQuads++;
      right->SetFlag(1);
      if (s.m_Debug)
        right->SetColor(r, g, b);
    }
  }
  if (code >= 0) {
    s.m_Codes.push_back(static_cast<unsigned int>(code));
    s.m_CodeCount++;
  }
  s.m_Gates.RemoveAt(index);
  if (s.m_Debug)
    Refresh(0);
  return 1;
}

int CQuadGateCoder::ChooseCode(CQuadEdge3d* gt)
{
  CQuadVertex3d* g1 = gt->GetV1();
  CQuadVertex3d* g2 = gt->GetV2();
  CQuadVertex3d* o1 = gt->GetVertexOppositeV1();
  CQuadVertex3d* o2 = gt->GetVertexOppositeV2();
  const CQuad3d* left = gt->GetQuadLeft();
  const CQuad3d* right = gt->GetQuadRight();
  const bool free1 = o1->GetFlag() == 0;
  const bool free2 = o2->GetFlag() == 0;
  if (free1 && free2) {
    Enter(o1);
    Enter(o2);
    AddGate(g1, o1);
    AddGate(o1, o2);
    AddGate(o2, g2);
    return 0;
  }
  const int fan2 = gate::FanCloses(left, right, g2, 0);
  const int fan1 = gate::FanCloses(left, right, g1, 1);
  if (free1 || free2) {
    if (free1 && fan2) {
      Enter(o1);
      AddGate(g1, o1);
      AddGate(o1, o2);
      return 1;
    }
    if (free2 && fan1) {
      Enter(o2);
      AddGate(o1, o2);
      AddGate(o2, g2);
      return 2;
    }
    return 6;
  }
  if (fan1 && fan2) {
    AddGate(o1, o2);
    return 3;
  }
  // The second fan is tested from the conquered quad across the next edge of Q.
  if (fan2) {
    CQuadEdge3d next(g2, o2);
    if (gate::FanCloses(next.GetQuadLeft(), right, o2, 0)) {
      AddGate(g1, o1);
      return 4;
    }
  }
  if (fan1) {
    CQuadEdge3d previous(o1, g1);
    if (gate::FanCloses(previous.GetQuadLeft(), right, o1, 1)) {
      AddGate(o2, g2);
      return 5;
    }
  }
  return 6;
}

void CQuadGateCoder::Enter(CQuadVertex3d* v)
{
  v->SetFlag(1);
  m_State.m_VertexOrder.Add(v);
  m_State.m_NextVertex++;
}

void CQuadGateCoder::AddGate(CQuadVertex3d* v1, CQuadVertex3d* v2)
{
  m_State.m_Gates.Add(new CQuadEdge3d(v1, v2));
}

void CQuadGateCoder::FindSeeds()
{
  const CQuadMesh3d* mesh = m_State.m_pMesh;
  for (int i = 0; i < mesh->NbQuad(); i++) {
    CQuad3d* quad = mesh->GetQuad(i);
    if (quad->GetFlag() != 0 || quad->NbFaceNeighborWithFlag(0) < 3)
      continue;
    gate::AddSeed(&m_State.m_SeedQuads, quad);
    int added = 0;
    for (int k = 0; k < 4 && added < 2; k++) {
      CQuad3d* n = quad->f(k);
      if (n && n->GetFlag() == 0) {
        gate::AddSeed(&m_State.m_SeedQuads, n);
        added++;
      }
    }
  }
}

void CQuadGateCoder::OpenSeeds()
{
  CQuadGateState& s = m_State;
  for (int i = 0; i < s.m_SeedQuads.GetSize(); i++) {
    CQuad3d* quad = s.m_SeedQuads[i];
    if (s.m_Debug)
      quad->SetColor(255, 0, 0);
    for (int c = 0; c < 4; c++)
      AddGate(quad->v(c), quad->v(c + 1));
  }
}

int CQuadGateCoder::WriteStream()
{
  CQuadGateState& s = m_State;
  COBitStream file;
  file.PutBit(static_cast<unsigned int>(s.m_Genus));
  if (!gate::WriteCodes(file, s.m_Codes, 7, 0))
    return 0;
  const std::uint32_t codeBits = file.GetTotalBits();
  gate::WriteGeometry(file, s.m_VertexOrder, 0, s.m_NbMainVertex);
  const std::uint32_t seedStart = file.GetTotalBits();
  if (s.m_Genus)
    gate::WriteSeedSection<4>(file, s.m_VertexOrder, s.m_NbMainVertex,
                              gate::SeedRanks<4>(s.m_SeedQuads, s.m_VertexOrder));
  const std::uint32_t seedBits = file.GetTotalBits() - seedStart;
  file.Flush(0);
  // The geometry is not counted.
  s.m_BitsPerVertex = static_cast<float>(codeBits + seedBits) /
                      static_cast<float>(s.m_pMesh->NbVertex());
  return file.WriteFile(s.m_FileName);
}

void CQuadGateCoder::Refresh(int force)
{
  gate::Refresh(m_State, QuadGateRefreshCounter(), force);
}

int CQuadGateCoder::WriteCodesText(const char* fileName) const
{
  return gate::WriteCodesText(m_State.m_Codes, fileName);
}

int CQuadGateCoder::ChooseGateFewestAtVertex1() const
{
  const CArray3d<CQuadEdge3d>& gates = m_State.m_Gates.GetArray();
  int best = -1;
  int bestAt2 = -1;
  int bestAt1 = 0;
  for (int i = 0; i < gates.GetSize(); i++) {
    const int at2 = ConqueredAtVertex2(gates[i]);
    const int at1 = gates[i]->GetV1()->NbQuadNeighborWithFlag(1);
    if (at2 > bestAt2 || (at2 == bestAt2 && at1 < bestAt1)) {
      best = i;
      bestAt2 = at2;
      bestAt1 = at1;
    }
  }
  return best;
}
