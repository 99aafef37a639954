#include "compression/PolygonGateDecoder.h"

#include "compression/GateRun.h"
#include "compression/GateStream.h"
#include "compression/GateTopology.h"
#include "compression/PolygonGateJoin.h"
#include "mesh/PolygonMesh3d.h"

int CPolygonGateDecoder::Decode(CPolygonMesh3d* pMesh, const char* fileName, int debug,
                                CRenderView* pView, int refreshPeriod, int delay)
{
  CPolygonGateState& s = m_State;
  gate::SetRun(&s, pMesh, fileName, debug, pView, refreshPeriod, delay);
  if (!pMesh || !fileName || pMesh->NbVertex() != 0 || pMesh->NbPolygon() != 0)
    return 0;
  const int ok = Read(fileName) && Rebuild();
  if (!gate::EndDecode(&s, ok))
    return 0;
  if (debug)
    Refresh(1);
  return 1;
}

int CPolygonGateDecoder::Read(const char* fileName)
{
  CPolygonGateState& s = m_State;
  CIBitFile file(fileName);
  if (!file.IsValid())
    return 0;
  s.m_Order = static_cast<int>(file.BReadBits(2));
  s.m_Adaptive = file.ReadBit();
  s.m_Codes.clear();
  if (!gate::ReadCodes(file, 13, s.m_Order, gate::MaxCodes(file), &s.m_Codes))
    return 0;
  const int nbVertex = static_cast<int>(file.BReadBits(24));
  if (nbVertex < 3)
    return 0;
  auto add = [&s](CPolygonVertex3d* v) { s.m_pMesh->AddVertex(v); };
  if (!gate::ReadGeometry(file, nbVertex, &s.m_VertexOrder, add))
    return 0;
  return gate::ReadPadding(file);
}

int CPolygonGateDecoder::Rebuild()
{
  CPolygonGateState& s = m_State;
  s.m_CodeCursor = 0;
  s.m_NextVertex = 0;
  s.m_ConqueredPolygons = 0;
  while (s.m_CodeCursor < static_cast<int>(s.m_Codes.size()))
    if (!StartSeed() || !DecodeAll())
      return 0;
  return s.m_NextVertex == s.m_VertexOrder.GetSize() ? 1 : 0;
}

int CPolygonGateDecoder::StartSeed()
{
  CPolygonGateState& s = m_State;
  const unsigned int degree = s.m_Codes[static_cast<std::size_t>(s.m_CodeCursor++)];
  if (degree != 3 && degree != 4)
    return 0;
  std::vector<CPolygonVertex3d*> corners;
  for (unsigned int i = 0; i < degree; i++)
    corners.push_back(NextVertex());
  CPolygon3d* polygon = AddPolygon(corners);
  if (!polygon)
    return 0;
  if (s.m_Debug)
    polygon->SetColor(0, 0, 255);
  for (unsigned int i = 0; i < degree; i++)
    AddGate(corners[i], corners[(i + 1) % degree]);
  return 1;
}

int CPolygonGateDecoder::DecodeAll()
{
  return gate::RunSteps([&] { return DecodeStep(); });
}

gate::EStep CPolygonGateDecoder::DecodeStep()
{
  CPolygonGateState& s = m_State;
  if (s.m_Gates.GetSize() == 0)
    return gate::StepDone;
  const int index = gate::ChooseGate(s.m_Gates.GetArray(), s.m_Adaptive, [](CPolygonGate3d* gt) {
    return gt->GetVertex2()->NbPolygon();
  });
  CPolygonGate3d* gt = s.m_Gates.GetAt(index);
  if (!gt->GetPolygon())
    return gate::StepFailed;
  if (!gt->GetVertex1()->GetPolygonWithEdge(gt->GetVertex2(), gt->GetVertex1())) {
    if (s.m_CodeCursor >= static_cast<int>(s.m_Codes.size()))
      return gate::StepFailed;
    const unsigned int code = s.m_Codes[static_cast<std::size_t>(s.m_CodeCursor++)];
    const bool triangle = code == 3 || code == 2 || code == 9 || code == 7;
    if (code == 12)
      return gate::StepFailed;
    if (code != 8 && !(triangle ? DecodeTriangle(code, gt) : DecodeQuad(code, gt)))
      return gate::StepFailed;
  }
  s.m_Gates.RemoveAt(index);
  if (s.m_Debug)
    Refresh(0);
  return gate::StepTaken;
}

int CPolygonGateDecoder::DecodeTriangle(unsigned int code, CPolygonGate3d* gt)
{
  CPolygonVertex3d* g1 = gt->GetVertex1();
  CPolygonVertex3d* g2 = gt->GetVertex2();
  CPolygon3d* end = nullptr;
  CPolygonVertex3d* c = nullptr;
  if (code == 3)
    c = NextVertex();
  else if (code == 7)
    c = ReadJoin(gt, -1);
  else if (!gate::FanEnd(gt->GetPolygon(), code == 2 ? g2 : g1, code == 2 ? 0 : 1, &end, &c))
    return 0;
  if (!c || !AddPolygon({g1, c, g2}))
    return 0;
  AddGate(g1, c);
  AddGate(c, g2);
  return 1;
}

int CPolygonGateDecoder::DecodeQuad(unsigned int code, CPolygonGate3d* gt)
{
  CPolygonVertex3d* g1 = gt->GetVertex1();
  CPolygonVertex3d* g2 = gt->GetVertex2();
  CPolygon3d* inner = gt->GetPolygon();
  CPolygon3d* end = nullptr;
  CPolygonVertex3d* a = nullptr;
  CPolygonVertex3d* b = nullptr;
  // The fan ends first: a corner that the fans cannot give fails before any vertex is taken.
  if ((code == 0 || code == 4 || code == 5) && !gate::FanEnd(inner, g2, 0, &end, &b))
    return 0;
  if ((code == 10 || code == 4 || code == 11) && !gate::FanEnd(inner, g1, 1, &end, &a))
    return 0;
  if (code == 5 && !gate::FanEnd(CPolygonGate3d(g2, b).GetPolygon(), b, 0, &end, &a))
    return 0;
  if (code == 11 && !gate::FanEnd(CPolygonGate3d(a, g1).GetPolygon(), a, 1, &end, &b))
    return 0;
  if (code == 6) {
    a = ReadJoin(gt, 0);
    b = a ? ReadJoin(gt, 1) : nullptr;
  }
  if (code == 1 || code == 0)
    a = NextVertex();
  if (code == 1 || code == 10)
    b = NextVertex();
  if (!a || !b || !AddPolygon({g1, a, b, g2}))
    return 0;
  if (code == 1 || code == 6 || code == 0 || code == 5)
    AddGate(g1, a);
  if (code == 1 || code == 6 || code == 0 || code == 10 || code == 4)
    AddGate(a, b);
  if (code == 1 || code == 6 || code == 10 || code == 11)
    AddGate(b, g2);
  return 1;
}

CPolygonVertex3d* CPolygonGateDecoder::ReadJoin(CPolygonGate3d* gt, int predicted)
{
  CPolygonGateState& s = m_State;
  const bool quad = predicted >= 0;
  int index = 0;
  if (!polygonjoin::ReadIndex(s.m_Codes, &s.m_CodeCursor, quad, &index))
    return nullptr;
  const auto ranked = polygonjoin::Rank(s.m_VertexOrder, s.m_NextVertex, gt,
                                        polygonjoin::Predict(gt, predicted));
  if (index >= 0 && index < static_cast<int>(ranked.size()))
    return ranked[static_cast<std::size_t>(index)];
  const bool unranked = quad ? index < 0 : index == static_cast<int>(ranked.size());
  int place = 0;
  if (!unranked || !polygonjoin::ReadPlace(s.m_Codes, &s.m_CodeCursor, &place))
    return nullptr;
  if (place < s.m_NextVertex)
    return s.m_VertexOrder[place];
  // Only a quad join brings a new vertex, and only the next one.
  return (quad && place == s.m_NextVertex) ? NextVertex() : nullptr;
}

CPolygonVertex3d* CPolygonGateDecoder::NextVertex()
{
  CPolygonGateState& s = m_State;
  return s.m_NextVertex < s.m_VertexOrder.GetSize() ? s.m_VertexOrder[s.m_NextVertex++]
                                                    : nullptr;
}

CPolygon3d* CPolygonGateDecoder::AddPolygon(const std::vector<CPolygonVertex3d*>& corners)
{
  CPolygonGateState& s = m_State;
  for (const CPolygonVertex3d* corner : corners)
    if (!corner)
      return nullptr;
  auto* polygon = new CPolygon3d();
  for (CPolygonVertex3d* corner : corners)
    polygon->AddVertex(corner);
  s.m_pMesh->AddPolygon(polygon);
  if (!gate::HasDistinctCorners(polygon))
    return nullptr;
  polygon->AttachToVertices();
  if (!gate::LinkFace(polygon))
    return nullptr;
  s.m_ConqueredPolygons++;
  if (s.m_Debug) {
    polygon->CalculateNormal();
    polygon->SetColor(156, 207, 255);
  }
  return polygon;
}

void CPolygonGateDecoder::AddGate(CPolygonVertex3d* v1, CPolygonVertex3d* v2)
{
  m_State.m_Gates.Add(new CPolygonGate3d(v1, v2));
}

void CPolygonGateDecoder::Refresh(int force)
{
  gate::Refresh(m_State, PolygonGateRefreshCounter(), force);
}
