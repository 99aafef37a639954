#include "compression/TriangleGateCoder.h"

#include "compression/GateCodes.h"
#include "compression/GateRun.h"
#include "compression/GateStream.h"
#include "compression/GateTopology.h"
#include "mesh/Mesh3d.h"


int* TriangleGateRefreshCounter()
{
  static int counter = 0;
  return &counter;
}

int CTriangleGateCoder::Encode(CMesh3d* pMesh, const char* fileName, int order, int seedFace,
                               int adaptive, int debug, CRenderView* pView, int refreshPeriod,
                               int delay, int stepLimitFlag, int stepLimit)
{
  CTriangleGateState& s = m_State;
  gate::SetRun(&s, pMesh, fileName, debug, pView, refreshPeriod, delay);
  s.m_Order = order;
  s.m_SeedFace = seedFace;
  s.m_Adaptive = adaptive;
  s.m_OldestFirst = adaptive ? 0 : 1;
  s.m_StepLimitFlag = stepLimitFlag;
  s.m_StepLimit = stepLimit;
  if (!pMesh || !fileName || seedFace < 0 || seedFace >= pMesh->NbFace() || order < 0 ||
      order > 7 || !IsCodable())
    return 0;

  s.m_NbMainVertex = gate::ConquerAll(*pMesh->GetArrayFace(), s.m_SeedFaces, &s.m_VertexOrder,
                                      [this](const std::vector<CFace3d*>& extra) { Conquer(extra); });
  if (s.m_NbMainVertex < 0 || m_Failed)
    return 0;

  s.m_Codes.resize(static_cast<std::size_t>(s.m_CodeCount));
  // Both streams carry the same geometry and seeds.
  const std::vector<std::uint32_t> geometry = gate::GeometryWords(s.m_VertexOrder, 0, s.m_NbMainVertex);
  const gate::SeedIndices<3> seeds =
    s.m_Genus ? gate::SeedRanks<3>(s.m_SeedFaces, s.m_VertexOrder) : gate::SeedIndices<3>{};
  if (!WriteStream(fileName, s.m_Codes, 4, geometry, seeds, &s.m_BitsPerVertex))
    return 0;
  s.m_Codes = gate::PackPairs(s.m_Codes);
  if (!WriteStream("packed.bin", s.m_Codes, 5, geometry, seeds, &s.m_PackedBitsPerVertex))
    return 0;
  if (debug)
    Refresh(1);
  return 1;
}

int CTriangleGateCoder::IsCodable()
{
  // The check reads each corner's fan once, marked by the index that the vertex flag holds
  // for the run; a refused mesh gets its flags back.
  const CMesh3d* mesh = m_State.m_pMesh;
  const int nbVertex = mesh->NbVertex();
  std::vector<int> flags(static_cast<std::size_t>(nbVertex));
  for (int i = 0; i < nbVertex; i++) {
    CVertex3d* v = mesh->GetVertex(i);
    flags[static_cast<std::size_t>(i)] = v->GetFlag();
    v->SetFlag(i);
  }
  m_Failed = 0;
  std::vector<std::uint8_t> met(static_cast<std::size_t>(nbVertex) + 1, 0);
  const int ok = gate::IsCodableWith(*mesh->GetArrayFace(), [&](const CVertex3d* v) {
    const std::size_t i = Index(v);
    if (m_Failed)
      return -1;
    if (met[i])
      return 0;
    met[i] = 1;
    return 1;
  });
  if (!ok)
    for (int i = 0; i < nbVertex; i++)
      mesh->GetVertex(i)->SetFlag(flags[static_cast<std::size_t>(i)]);
  return ok;
}

void CTriangleGateCoder::Initialize()
{
  CTriangleGateState& s = m_State;
  CMesh3d* mesh = s.m_pMesh;
  for (int i = 0; i < mesh->NbFace(); i++) {
    mesh->GetFace(i)->SetFlag(0);
    if (s.m_Debug)
      mesh->GetFace(i)->SetColor(212, 208, 200);
  }
  // During the run a vertex's flag is its index; Conquer puts the entered flags back.
  const int nbVertex = mesh->NbVertex();
  for (int i = 0; i < nbVertex; i++)
    mesh->GetVertex(i)->SetFlag(i);
  // One more slot for a corner that is not the mesh's own (the run then fails).
  m_Counters.assign(static_cast<std::size_t>(nbVertex) + 1, 0);
  m_Entered.assign(static_cast<std::size_t>(nbVertex) + 1, 0);
  m_Queue.RemoveAll();
  m_Queue.Reserve(nbVertex + 1);
  s.m_SeedFaces.RemoveAll();
  s.m_VertexOrder.RemoveAll();
  s.m_Codes.clear();
  s.m_Codes.reserve(static_cast<std::size_t>(mesh->NbFace()) * 4);
  s.m_CodeCount = 0;
  s.m_ConqueredFaces = 0;
  s.m_Genus = 0;
  if (s.m_Debug)
    Refresh(1);

  CFace3d* seed = mesh->GetFace(s.m_SeedFace);
  for (int i = 0; i < 3; i++) {
    CVertex3d* corner = seed->v(i);
    m_Entered[Index(corner)] = 1;
    CountGate(corner);
    s.m_VertexOrder.Add(corner);
    AddGate(corner, seed->v((i + 1) % 3), seed);
  }
  seed->SetFlag(1);
  if (s.m_Debug)
    seed->SetColor(0, 0, 255);
  s.m_NextVertex = 3;
}

void CTriangleGateCoder::Conquer(const std::vector<CFace3d*>& extraSeeds)
{
  Initialize();
  while (ConquerStep(156, 207, 255)) {
  }
  // No periodic redraw while zipping.
  const int period = m_State.m_RefreshPeriod;
  m_State.m_RefreshPeriod = 0;
  FindSeeds();
  for (CFace3d* face : extraSeeds)
    if (face->GetFlag() == 0)
      gate::AddSeed(&m_State.m_SeedFaces, face);
  m_State.m_Genus = m_State.m_SeedFaces.GetSize() > 0 ? 1 : 0;
  OpenSeeds();
  while (ConquerStep(145, 237, 195)) {
  }
  m_State.m_RefreshPeriod = period;
  const CMesh3d* mesh = m_State.m_pMesh;
  for (int i = 0; i < mesh->NbVertex(); i++)
    mesh->GetVertex(i)->SetFlag(m_Entered[static_cast<std::size_t>(i)]);
}

std::size_t CTriangleGateCoder::Index(const CVertex3d* v)
{
  const CMesh3d* mesh = m_State.m_pMesh;
  const int i = v->GetFlag();
  if (i >= 0 && i < mesh->NbVertex() && mesh->GetVertex(i) == v)
    return static_cast<std::size_t>(i);
  m_Failed = 1;
  return static_cast<std::size_t>(mesh->NbVertex());
}

int CTriangleGateCoder::ConquerStep(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
  CTriangleGateState& s = m_State;
  if (m_Queue.IsEmpty())
    return 0;
  const CTriangleGateQueue::Slot slot = s.m_Adaptive ? m_Queue.ChooseBest() : m_Queue.ChooseOldest();
  CTriangleGate3d* gt = m_Queue.GetAt(slot);
  CVertex3d* v1 = gt->GetVertex1();
  CVertex3d* v2 = gt->GetVertex2();
  CFace3d* inner = gt->GetInnerFace();
  // The mesh passed IsCodable: the neighbour across v1 -> v2 is the face holding v2 -> v1.
  CFace3d* outer = inner->f(inner->IndexFrom(v1));
  int code = -1;
  if (!outer) {
    code = 3;
  } else if (outer->GetFlag() == 0) {
    CVertex3d* third = outer->v((outer->IndexFrom(v1) + 1) % 3);
    std::uint8_t& entered = m_Entered[Index(third)];
    if (!entered) {
      code = 0;
      s.m_VertexOrder.Add(third);
      s.m_NextVertex++;
      entered = 1;
      ConquerFace(outer, r, g, b);
      AddGate(v1, third, outer);
      AddGate(third, v2, outer);
    } else if (gate::FanCloses(inner, outer, v2, 0)) {
      code = 2;
      ConquerFace(outer, r, g, b);
      AddGate(v1, third, outer);
    } else if (gate::FanCloses(inner, outer, v1, 1)) {
      code = 1;
      ConquerFace(outer, r, g, b);
      AddGate(third, v2, outer);
    } else {
      code = 3;
    }
  }
  if (code >= 0) {
    s.m_Codes.push_back(static_cast<unsigned int>(code));
    s.m_CodeCount++;
  }
  m_Queue.Remove(slot);
  if (s.m_Debug)
    Refresh(0);
  return 1;
}

void CTriangleGateCoder::ConquerFace(CFace3d* face, std::uint8_t r, std::uint8_t g,
                                     std::uint8_t b)
{
  m_State.m_ConqueredFaces++;
  face->SetFlag(1);
  if (m_State.m_Debug)
    face->SetColor(r, g, b);
  for (int i = 0; i < 3; i++)
    CountGate(face->v(i));
}

void CTriangleGateCoder::CountGate(const CVertex3d* v)
{
  const std::size_t i = Index(v);
  m_Counters[i]++;
  m_Queue.Rescore(i, m_Counters[i]);
}

void CTriangleGateCoder::AddGate(CVertex3d* v1, CVertex3d* v2, CFace3d* inner)
{
  const std::size_t i = Index(v2);
  m_Queue.Add(v1, v2, inner, i, m_Counters[i]);
}

void CTriangleGateCoder::FindSeeds()
{
  const CMesh3d* mesh = m_State.m_pMesh;
  for (int i = 0; i < mesh->NbFace(); i++) {
    CFace3d* face = mesh->GetFace(i);
    if (face->GetFlag() != 0 || face->NbFaceNeighborWithFlag(0) != 3)
      continue;
    gate::AddSeed(&m_State.m_SeedFaces, face);
    for (int c = 0; c < 3; c++) {
      CFace3d* n = face->f(c);
      if (!n)
        continue;
      gate::AddSeed(&m_State.m_SeedFaces, n);
      const CVertex3d* corner = face->v(c);
      if (corner->NbFaceNeighborWithFlag(0) <= 1)
        continue;
      for (int j = 0; j < 3 && corner->NbFaceNeighborWithFlag(0) != 1; j++) {
        CFace3d* m = n->f(j);
        if (m && m->GetFlag() == 0)
          gate::AddSeed(&m_State.m_SeedFaces, m);
      }
    }
  }
}

void CTriangleGateCoder::OpenSeeds()
{
  CTriangleGateState& s = m_State;
  for (int i = 0; i < s.m_SeedFaces.GetSize(); i++) {
    CFace3d* face = s.m_SeedFaces[i];
    if (s.m_Debug)
      face->SetColor(255, 0, 0);
    for (int c = 0; c < 3; c++) {
      AddGate(face->v(c), face->v((c + 1) % 3), face);
      CountGate(face->v(c));
    }
  }
}

int CTriangleGateCoder::WriteStream(const char* fileName, const std::vector<unsigned int>& codes,
                                    int nbSymbol, const std::vector<std::uint32_t>& geometry,
                                    const gate::SeedIndices<3>& seeds, float* pBitsPerVertex) const
{
  const CTriangleGateState& s = m_State;
  CGateStreamBits file;
  file.PutBit(static_cast<unsigned int>(s.m_Genus));
  file.PutBit(static_cast<unsigned int>(s.m_OldestFirst));
  file.WriteBits(static_cast<std::uint32_t>(s.m_Order), 3);
  if (!gate::WriteCodes(file, codes, nbSymbol, s.m_Order))
    return 0;
  *pBitsPerVertex = static_cast<float>(file.GetTotalBits()) /
                    static_cast<float>(s.m_pMesh->NbVertex());
  file.WriteWords(geometry.data(), geometry.size());
  if (s.m_Genus)
    gate::WriteSeedSection<3>(file, s.m_VertexOrder, s.m_NbMainVertex, seeds);
  file.Flush(0);
  return file.SaveFile(fileName);
}

void CTriangleGateCoder::Refresh(int force)
{
  gate::Refresh(m_State, TriangleGateRefreshCounter(), force);
}

unsigned int CTriangleGateCoder::GetMaxCode() const
{
  return gate::MaxCode(m_State.m_Codes);
}

int CTriangleGateCoder::CountCode(unsigned int value) const
{
  return gate::CountCode(m_State.m_Codes, value);
}

int CTriangleGateCoder::WriteCodesText(const char* fileName) const
{
  return gate::WriteCodesText(m_State.m_Codes, fileName);
}

std::vector<int> CTriangleGateCoder::CodeHistogram() const
{
  return gate::CodeHistogram(m_State.m_Codes);
}

void CTriangleGateCoder::ReplacePairRuns()
{
  gate::ReplacePairRuns(&m_State.m_Codes);
}
