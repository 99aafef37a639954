#include "compression/TriangleGateDecoder.h"

#include "compression/GateRun.h"
#include "compression/GateTopology.h"
#include "mesh/Mesh3d.h"
#include "scene/SceneGraph3d.h"

#include <algorithm>

namespace {

void IncrementCounters(const CFace3d* face)
{
  for (int i = 0; i < 3; i++)
    face->v(i)->SetByteFlag(static_cast<std::uint8_t>(face->v(i)->GetByteFlag() + 1));
}

} // namespace

int CTriangleGateDecoder::Decode(CMesh3d* pMesh, const char* fileName, int debug,
                                 CRenderView* pView, int refreshPeriod, int delay, int levels,
                                 int packed)
{
  CTriangleGateState& s = m_State;
  gate::SetRun(&s, pMesh, fileName, debug, pView, refreshPeriod, delay);
  s.m_Levels = levels;
  if (!pMesh || !fileName || pMesh->NbVertex() != 0 || pMesh->NbFace() != 0)
    return 0;
  gate::SeedIndices<3> seeds;
  int ok = Read(fileName, packed, &seeds);
  if (ok && levels)
    ok = CSceneGraph3d().WriteHeaderVrml(s.m_LevelsFile, "levels.wrl");
  ok = ok && Rebuild(seeds);
  if (gate::EndDecode(&s, ok) && debug)
    Refresh(1);
  if (levels)
    s.m_LevelsFile.Close();
  return ok;
}

int CTriangleGateDecoder::Read(const char* fileName, int packed, gate::SeedIndices<3>* pSeeds)
{
  CTriangleGateState& s = m_State;
  CIBitFile file(fileName);
  if (!file.IsValid())
    return 0;
  s.m_Genus = file.ReadBit();
  s.m_OldestFirst = file.ReadBit();
  s.m_Order = static_cast<int>(file.BReadBits(3));
  std::vector<unsigned int> codes;
  if (!gate::ReadCodes(file, packed ? 5 : 4, s.m_Order, gate::MaxCodes(file), &codes))
    return 0;
  s.m_Codes.clear();
  for (const unsigned int code : codes) {
    if (code == 4) {
      s.m_Codes.push_back(0);
      s.m_Codes.push_back(2);
    } else {
      s.m_Codes.push_back(code);
    }
  }
  const long long nbVertex = 3 + std::count(s.m_Codes.begin(), s.m_Codes.end(), 0u);
  auto add = [&s](CVertex3d* v) { s.m_pMesh->AddVertex(v); };
  if (!gate::ReadGeometry(file, nbVertex, &s.m_VertexOrder, add))
    return 0;
  s.m_NbMainVertex = static_cast<int>(nbVertex);
  if (s.m_Genus && !gate::ReadSeedSection<3>(file, &s.m_VertexOrder, add, pSeeds))
    return 0;
  return gate::ReadPadding(file);
}

int CTriangleGateDecoder::Rebuild(const gate::SeedIndices<3>& seeds)
{
  CTriangleGateState& s = m_State;
  s.m_CodeCount = 0;
  s.m_ConqueredFaces = 0;
  s.m_NextVertex = 3;
  const CArray3d<CVertex3d>& order = s.m_VertexOrder;
  const CFace3d* seed = AddSeedFace(order[0], order[1], order[2]);
  if (!seed)
    return 0;
  if (!DecodeAll(0))
    return 0;
  if (s.m_Genus) {
    for (const auto& indices : seeds) {
      CFace3d* face = AddSeedFace(order[indices[0]], order[indices[1]], order[indices[2]]);
      if (!face)
        return 0;
      if (s.m_Debug)
        face->SetColor(255, 0, 0);
    }
    if (!DecodeAll(1))
      return 0;
  }
  // A whole stream uses every code and every vertex of the geometry.
  return (s.m_CodeCount == static_cast<int>(s.m_Codes.size()) &&
          s.m_NextVertex == s.m_NbMainVertex) ? 1 : 0;
}

int CTriangleGateDecoder::DecodeAll(int colour)
{
  return gate::RunSteps([&] { return DecodeStep(colour); });
}

gate::EStep CTriangleGateDecoder::DecodeStep(int colour)
{
  CTriangleGateState& s = m_State;
  if (s.m_Gates.GetSize() == 0)
    return gate::StepDone;
  const int index = gate::ChooseGate(s.m_Gates.GetArray(), !s.m_OldestFirst,
                                     [](CTriangleGate3d* gt) { return gt->GetVertex2()->GetByteFlag(); });
  CTriangleGate3d* gt = s.m_Gates.GetAt(index);
  CVertex3d* v1 = gt->GetVertex1();
  CVertex3d* v2 = gt->GetVertex2();
  CFace3d* inner = gt->GetInnerFace();
  if (!inner)
    return gate::StepFailed;
  if (!gt->GetOuterFace()) {
    if (s.m_CodeCount >= static_cast<int>(s.m_Codes.size()))
      return gate::StepFailed;
    const unsigned int code = s.m_Codes[static_cast<std::size_t>(s.m_CodeCount++)];
    CVertex3d* third = nullptr;
    CFace3d* end = nullptr;
    if (code == 0) {
      if (s.m_NextVertex >= s.m_NbMainVertex)
        return gate::StepFailed;
      third = s.m_VertexOrder[s.m_NextVertex++];
    } else if (code == 1 || code == 2) {
      if (!gate::FanEnd(inner, code == 1 ? v1 : v2, code == 1 ? 1 : 0, &end, &third))
        return gate::StepFailed;
    }
    if (third) {
      CFace3d* face = AddFace(v1, third, v2);
      if (!face)
        return gate::StepFailed;
      s.m_ConqueredFaces++;
      if (colour && s.m_Debug)
        face->SetColor(145, 237, 195);
      // The new edges still open: both after a create, the one away from the closed fan.
      if (code != 1)
        AddGate(v1, third);
      if (code != 2)
        AddGate(third, v2);
    }
  }
  s.m_Gates.RemoveAt(index);
  if (s.m_Debug)
    Refresh(0);
  return gate::StepTaken;
}

CFace3d* CTriangleGateDecoder::AddFace(CVertex3d* a, CVertex3d* b, CVertex3d* c)
{
  auto* face = new CFace3d(a, b, c);
  m_State.m_pMesh->AddFace(face);
  if (!gate::HasDistinctCorners(face))
    return nullptr;
  a->AddFaceNeighbor(face);
  b->AddFaceNeighbor(face);
  c->AddFaceNeighbor(face);
  if (!gate::LinkFace(face))
    return nullptr;
  if (m_State.m_Debug)
    face->CalculateNormal();
  IncrementCounters(face);
  return face;
}

CFace3d* CTriangleGateDecoder::AddSeedFace(CVertex3d* a, CVertex3d* b, CVertex3d* c)
{
  CFace3d* face = AddFace(a, b, c);
  if (face) {
    AddGate(a, b);
    AddGate(b, c);
    AddGate(c, a);
  }
  return face;
}

void CTriangleGateDecoder::AddGate(CVertex3d* v1, CVertex3d* v2)
{
  m_State.m_Gates.Add(new CTriangleGate3d(v1, v2));
}

void CTriangleGateDecoder::Refresh(int force)
{
  CTriangleGateState& s = m_State;
  CGateRefresh(TriangleGateRefreshCounter(), s.m_Debug, s.m_pView, s.m_RefreshPeriod, s.m_Delay)
    .Refresh(force, s.m_pMesh, [&s] {
      if (s.m_Levels && s.m_LevelsFile.IsOpen())
        s.m_pMesh->WriteVrml(s.m_LevelsFile);
    });
}
