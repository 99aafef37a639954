#include "compression/PolygonGateCoder.h"

#include "compression/GateCodes.h"
#include "compression/GateRun.h"
#include "compression/GateStream.h"
#include "compression/GateTopology.h"
#include "compression/PolygonGateJoin.h"
#include "mesh/PolygonMesh3d.h"
#include "platform/core/Format.h"

#include <algorithm>

int* PolygonGateRefreshCounter()
{
  static int counter = 0;
  return &counter;
}

namespace {

bool IsTriangleOrQuad(const CPolygonMesh3d& mesh)
{
  for (int i = 0; i < mesh.NbPolygon(); i++) {
    const int n = mesh.GetPolygon(i)->NbVertex();
    if (n != 3 && n != 4)
      return false;
  }
  return true;
}

} // namespace

int CPolygonGateCoder::Encode(CPolygonMesh3d* pMesh, const char* fileName, int seedPolygon,
                              int order, int adaptive, int debug, CRenderView* pView,
                              int refreshPeriod, int delay, int stepLimitFlag, int stepLimit,
                              int distribution, std::string* pText)
{
  CPolygonGateState& s = m_State;
  gate::SetRun(&s, pMesh, fileName, debug, pView, refreshPeriod, delay);
  s.m_SeedPolygon = seedPolygon;
  s.m_Order = order;
  s.m_Adaptive = adaptive;
  s.m_StepLimitFlag = stepLimitFlag;
  s.m_StepLimit = stepLimit;
  s.m_Distribution = distribution;
  s.m_pText = pText;
  if (!pMesh || !fileName || seedPolygon < 0 || seedPolygon >= pMesh->NbPolygon() ||
      order < 0 || order > 3 || !IsTriangleOrQuad(*pMesh) ||
      !gate::IsCodable(*pMesh->GetArrayPolygon()))
    return 0;

  Initialize();
  for (CPolygon3d* seed = pMesh->GetPolygon(seedPolygon); seed; seed = NextSeed()) {
    StartSeed(seed);
    while (ConquerStep()) {
    }
  }
  // A part that touches the rest through single vertices only has no seed of free vertices.
  for (int i = 0; i < pMesh->NbPolygon(); i++)
    if (pMesh->GetPolygon(i)->GetFlag() == 0)
      return 0;
  if (s.m_VertexOrder.GetSize() > gate::MaxCount24)
    return 0;
  if (distribution && pText)
    AppendDistribution();
  if (!WriteStream())
    return 0;
  if (debug)
    Refresh(1);
  return 1;
}

void CPolygonGateCoder::Initialize()
{
  CPolygonGateState& s = m_State;
  CPolygonMesh3d* mesh = s.m_pMesh;
  mesh->SetPolygonsFlag(0);
  mesh->SetVerticesFlag(0);
  s.m_Gates.RemoveAll();
  mesh->SetVerticesUseCount(0);
  s.m_VertexOrder.RemoveAll();
  s.m_Codes.clear();
  s.m_JoinIndices.clear();
  s.m_ConqueredPolygons = 0;
  s.m_FirstSeed = 1;
  if (s.m_Debug) {
    mesh->SetPolygonsColor(212, 208, 200);
    Refresh(1);
  }
}

CPolygon3d* CPolygonGateCoder::NextSeed() const
{
  const CPolygonMesh3d* mesh = m_State.m_pMesh;
  for (int i = 0; i < mesh->NbPolygon(); i++) {
    CPolygon3d* polygon = mesh->GetPolygon(i);
    if (polygon->GetFlag() == 0 && polygon->HasAllVerticesFlag(0))
      return polygon;
  }
  return nullptr;
}

void CPolygonGateCoder::StartSeed(CPolygon3d* polygon)
{
  CPolygonGateState& s = m_State;
  const int n = polygon->NbVertex();
  Emit(static_cast<unsigned int>(n));
  for (int i = 0; i < n; i++) {
    AddGate(polygon->GetVertex(i), polygon->GetVertex((i + 1) % n));
    Enter(polygon->GetVertex(i));
  }
  polygon->SetFlag(1);
  s.m_FirstSeed = 0;
  if (s.m_Debug)
    polygon->SetColor(0, 0, 255);
}

int CPolygonGateCoder::ConquerStep()
{
  CPolygonGateState& s = m_State;
  if (s.m_Gates.GetSize() == 0)
    return 0;
  const int index = gate::ChooseGate(s.m_Gates.GetArray(), s.m_Adaptive, [](CPolygonGate3d* gt) {
    return gt->GetVertex2()->NbPolygonWithFlag(1);
  });
  CPolygonGate3d* gt = s.m_Gates.GetAt(index);
  CPolygon3d* outer = gt->GetVertex1()->GetPolygonWithEdge(gt->GetVertex2(), gt->GetVertex1());
  if (!outer) {
    Emit(8);
  } else if (outer->GetFlag() == 0) {
    const unsigned int code = outer->NbVertex() == 3 ? CodeTriangle(gt, outer)
                                                     : CodeQuad(gt, outer);
    outer->SetFlag(1);
    s.m_ConqueredPolygons++;
    if (s.m_Debug) {
      if (code == 7)
        outer->SetColor(255, 0, 0);
      else if (code == 6)
        outer->SetColor(0, 255, 0);
      else
        outer->SetColor(156, 207, 255);
    }
  }
  s.m_Gates.RemoveAt(index);
  if (s.m_Debug)
    Refresh(0);
  return 1;
}

unsigned int CPolygonGateCoder::CodeTriangle(CPolygonGate3d* gt, CPolygon3d* outer)
{
  CPolygonVertex3d* g1 = gt->GetVertex1();
  CPolygonVertex3d* g2 = gt->GetVertex2();
  CPolygonVertex3d* third = outer->GetVertex((outer->IndexFrom(g1) + 1) % 3);
  const CPolygon3d* inner = gt->GetPolygon();
  unsigned int code = 7;
  if (third->GetFlag() == 0) {
    code = 3;
    Enter(third);
  } else if (gate::FanCloses(inner, outer, g2, 0)) {
    code = 2;
  } else if (gate::FanCloses(inner, outer, g1, 1)) {
    code = 9;
  }
  Emit(code);
  if (code == 7)
    CodeJoinCorner(gt, third, -1);
  AddGate(g1, third);
  AddGate(third, g2);
  return code;
}

unsigned int CPolygonGateCoder::CodeQuad(CPolygonGate3d* gt, CPolygon3d* outer)
{
  CPolygonVertex3d* g1 = gt->GetVertex1();
  CPolygonVertex3d* g2 = gt->GetVertex2();
  const int i = outer->IndexFrom(g1);
  CPolygonVertex3d* o1 = outer->GetVertex((i + 1) % 4);
  CPolygonVertex3d* o2 = outer->GetVertex((i + 2) % 4);
  const CPolygon3d* inner = gt->GetPolygon();
  const bool free1 = o1->GetFlag() == 0;
  const bool free2 = o2->GetFlag() == 0;
  const int fan0 = gate::FanCloses(inner, outer, g2, 0);
  const int fan1 = gate::FanCloses(inner, outer, g1, 1);
  unsigned int code = 6;
  if (free1 && free2) {
    code = 1;
  } else if (!free1 && free2) {
    code = fan1 ? 10 : 6;
  } else if (free1 && !free2) {
    code = fan0 ? 0 : 6;
  } else if (fan0 && fan1) {
    code = 4;
  } else if (fan0 && gate::FanCloses(CPolygonGate3d(g2, o2).GetPolygon(), outer, o2, 0)) {
    code = 5;
  } else if (fan1 && gate::FanCloses(CPolygonGate3d(o1, g1).GetPolygon(), outer, o1, 1)) {
    code = 11;
  }
  Emit(code);
  if (code == 6) {
    CodeJoinCorner(gt, o1, 0);
    CodeJoinCorner(gt, o2, 1);
  } else {
    if (code == 1 || code == 0)
      Enter(o1);
    if (code == 1 || code == 10)
      Enter(o2);
  }
  // The edges of Q whose fans did not close stay open.
  if (code == 1 || code == 6 || code == 0 || code == 5)
    AddGate(g1, o1);
  if (code == 1 || code == 6 || code == 0 || code == 10 || code == 4)
    AddGate(o1, o2);
  if (code == 1 || code == 6 || code == 10 || code == 11)
    AddGate(o2, g2);
  return code;
}

void CPolygonGateCoder::CodeJoinCorner(CPolygonGate3d* gt, CPolygonVertex3d* corner,
                                       int predicted)
{
  CPolygonGateState& s = m_State;
  const bool quad = predicted >= 0;
  std::vector<unsigned int> symbols;
  if (corner->GetFlag() == 0) {
    // A new far corner of a quad join enters the order here.
    polygonjoin::AppendIndex(-1, true, &symbols);
    polygonjoin::AppendPlace(s.m_VertexOrder.GetSize(), &symbols);
    Enter(corner);
  } else {
    const auto ranked = polygonjoin::Rank(s.m_VertexOrder, s.m_VertexOrder.GetSize(), gt,
                                          polygonjoin::Predict(gt, predicted));
    const auto it = std::find(ranked.begin(), ranked.end(), corner);
    if (it != ranked.end()) {
      polygonjoin::AppendIndex(static_cast<int>(it - ranked.begin()), quad, &symbols);
    } else {
      // Past the last rank (a triangle) or "not ranked" (a quad), then the place.
      polygonjoin::AppendIndex(quad ? -1 : static_cast<int>(ranked.size()), quad, &symbols);
      polygonjoin::AppendPlace(s.m_VertexOrder.IndexFrom(corner), &symbols);
    }
  }
  s.m_Codes.insert(s.m_Codes.end(), symbols.begin(), symbols.end());
  s.m_JoinIndices.insert(s.m_JoinIndices.end(), symbols.begin(), symbols.end());
}

void CPolygonGateCoder::Enter(CPolygonVertex3d* v)
{
  v->SetFlag(1);
  m_State.m_VertexOrder.Add(v);
}

void CPolygonGateCoder::AddGate(CPolygonVertex3d* v1, CPolygonVertex3d* v2)
{
  m_State.m_Gates.Add(new CPolygonGate3d(v1, v2));
}

void CPolygonGateCoder::AppendDistribution() const
{
  static const char* const Names[13] = {
    "Q create right", "Q create 2", "T mesh CW", "T create",  "Q mesh both",
    "Q mesh cw",      "Q join",     "T join",    "skip",      "T mesh CCW",
    "Q create left",  "Q mesh ccw", "ghost"};
  std::string& text = *m_State.m_pText;
  text += "Code distribution\r\n";
  for (unsigned int code = 0; code < 13; code++)
    text += platform::Format("%s\t%d\r\n", Names[code], gate::CountCode(m_State.m_Codes, code));
}

int CPolygonGateCoder::WriteStream()
{
  CPolygonGateState& s = m_State;
  COBitStream file;
  file.WriteBits(static_cast<std::uint32_t>(s.m_Order), 2);
  file.PutBit(static_cast<unsigned int>(s.m_Adaptive ? 1 : 0));
  if (!gate::WriteCodes(file, s.m_Codes, 13, s.m_Order))
    return 0;
  s.m_BitsPerVertex = static_cast<float>(file.GetTotalBits()) /
                      static_cast<float>(s.m_pMesh->NbVertex());
  file.WriteBits(static_cast<std::uint32_t>(s.m_VertexOrder.GetSize()), 24);
  gate::WriteGeometry(file, s.m_VertexOrder, 0, s.m_VertexOrder.GetSize());
  file.Flush(0);
  return file.WriteFile(s.m_FileName);
}

void CPolygonGateCoder::Refresh(int force)
{
  gate::Refresh(m_State, PolygonGateRefreshCounter(), force);
}

unsigned int CPolygonGateCoder::GetMaxCode() const
{
  return gate::MaxCode(m_State.m_Codes);
}

int CPolygonGateCoder::WriteCodesText(const char* fileName) const
{
  return gate::WriteCodesText(m_State.m_Codes, fileName);
}
