#include "compression/TriangleGateCoder.h"

#include "compression/GateCodes.h"
#include "compression/GateRun.h"
#include "compression/GateStream.h"
#include "compression/GateTopology.h"
#include "mesh/Mesh3d.h"

#include <algorithm>
#include <utility>


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
  m_Main.Saved = false;
  m_Found.Done = false;
  m_Found.Opened = false;
  if (!pMesh || !fileName || seedFace < 0 || seedFace >= pMesh->NbFace() || order < 0 ||
      order > 7 || !Prepare())
    return 0;

  s.m_NbMainVertex = ConquerAll();
  if (s.m_NbMainVertex < 0)
    return 0;

  s.m_Codes.resize(static_cast<std::size_t>(s.m_CodeCount));
  // Both streams carry the same geometry and seeds.
  const std::vector<std::uint32_t> geometry = gate::GeometryWords(s.m_VertexOrder, 0, s.m_NbMainVertex);
  const gate::SeedIndices<3> seeds =
    s.m_Genus ? SeedRanks() : gate::SeedIndices<3>{};
  if (!WriteStream(fileName, s.m_Codes, 4, geometry, seeds, &s.m_BitsPerVertex))
    return 0;
  s.m_Codes = gate::PackPairs(s.m_Codes);
  if (!WriteStream("packed.bin", s.m_Codes, 5, geometry, seeds, &s.m_PackedBitsPerVertex))
    return 0;
  if (debug)
    Refresh(1);
  return 1;
}

int CTriangleGateCoder::Prepare()
{
  // Vertex and face flags hold the elements' indices for the run, through which the topology
  // reads the mesh and checks it; a refused mesh gets its flags back.
  const CMesh3d* mesh = m_State.m_pMesh;
  const int nbVertex = mesh->NbVertex();
  const int nbFace = mesh->NbFace();
  std::vector<int> vertexFlags(static_cast<std::size_t>(nbVertex));
  for (int i = 0; i < nbVertex; i++) {
    CVertex3d* v = mesh->GetVertex(i);
    vertexFlags[static_cast<std::size_t>(i)] = v->GetFlag();
    v->SetFlag(i);
  }
  std::vector<int> faceFlags(static_cast<std::size_t>(nbFace));
  for (int i = 0; i < nbFace; i++) {
    CFace3d* face = mesh->GetFace(i);
    faceFlags[static_cast<std::size_t>(i)] = face->GetFlag();
    face->SetFlag(i);
  }
  if (m_Topology.Build(*mesh))
    return 1;
  // Backwards, so that an element listed twice gets its first value back.
  for (int i = nbVertex - 1; i >= 0; i--)
    mesh->GetVertex(i)->SetFlag(vertexFlags[static_cast<std::size_t>(i)]);
  for (int i = nbFace - 1; i >= 0; i--)
    mesh->GetFace(i)->SetFlag(faceFlags[static_cast<std::size_t>(i)]);
  return 0;
}

void CTriangleGateCoder::Initialize()
{
  CTriangleGateState& s = m_State;
  CMesh3d* mesh = s.m_pMesh;
  if (s.m_Debug)
    for (int i = 0; i < mesh->NbFace(); i++)
      mesh->GetFace(i)->SetColor(212, 208, 200);
  const std::size_t nbVertex = static_cast<std::size_t>(mesh->NbVertex());
  m_Topology.ClearMarks();
  m_Counters.assign(nbVertex, 0);
  m_Entered.assign(nbVertex, 0);
  m_Order.clear();
  m_Order.reserve(nbVertex);
  m_Seeds.clear();
  m_Queue.RemoveAll();
  m_Queue.Reserve(mesh->NbVertex());
  s.m_SeedFaces.RemoveAll();
  s.m_VertexOrder.RemoveAll();
  s.m_Codes.clear();
  s.m_Codes.reserve(static_cast<std::size_t>(mesh->NbFace()) * 4);
  s.m_CodeCount = 0;
  s.m_ConqueredFaces = 0;
  s.m_Genus = 0;
  if (s.m_Debug)
    Refresh(1);

  const int seed = s.m_SeedFace;
  for (int i = 0; i < 3; i++) {
    const int corner = m_Topology.Corner(seed, i);
    m_Entered[static_cast<std::size_t>(corner)] = 1;
    CountGate(corner);
    m_Order.push_back(corner);
    AddGate(seed, i);
  }
  m_Topology.SetMark(seed, 1);
  if (s.m_Debug)
    mesh->GetFace(seed)->SetColor(0, 0, 255);
  s.m_NextVertex = 3;
}

void CTriangleGateCoder::RunMainPhase()
{
  // Visual debugging draws every attempt in full.
  if (m_Main.Saved && !m_State.m_Debug) {
    RestoreMainPhase();
    return;
  }
  Initialize();
  while (ConquerStep(156, 207, 255)) {
  }
  SaveMainPhase();
}

void CTriangleGateCoder::SaveMainPhase()
{
  const CTriangleGateState& s = m_State;
  m_Main.Free.clear();
  for (int f = 0; f < m_Topology.NbFace(); f++)
    if (m_Topology.Mark(f) == 0)
      m_Main.Free.push_back(f);
  m_Main.Counters = m_Counters;
  m_Main.Entered = m_Entered;
  m_Main.Order = m_Order;
  m_Main.Codes = s.m_Codes;
  m_Main.CodeCount = s.m_CodeCount;
  m_Main.ConqueredFaces = s.m_ConqueredFaces;
  m_Main.NextVertex = s.m_NextVertex;
  m_Main.Saved = true;
}

void CTriangleGateCoder::RestoreMainPhase()
{
  // As Initialize and the conquest would leave it. The queue is empty then: a fresh one
  // holding each vertex's counter chooses as the used one would, its live gates being all
  // that a choice reads.
  CTriangleGateState& s = m_State;
  // An attempt marks only faces that the main phase left free.
  for (const int f : m_Main.Free)
    m_Topology.SetMark(f, 0);
  m_Entered = m_Main.Entered;
  m_Order = m_Main.Order;
  m_Seeds.clear();
  // Once the found seeds' gates are open, Conquer copies the queue and counters they left.
  if (!m_Found.Opened) {
    m_Counters = m_Main.Counters;
    m_Queue.Restart(m_Counters);
  }
  s.m_SeedFaces.RemoveAll();
  s.m_VertexOrder.RemoveAll();
  s.m_Codes = m_Main.Codes;
  s.m_CodeCount = m_Main.CodeCount;
  s.m_ConqueredFaces = m_Main.ConqueredFaces;
  s.m_Genus = 0;
  s.m_NextVertex = m_Main.NextVertex;
}

int CTriangleGateCoder::ConquerAll()
{
  // Each attempt runs the whole conquest and zip again, with the first face of each region
  // that the earlier ones left behind as a further seed, until every face is coded.
  CTriangleGateState& s = m_State;
  std::vector<int> extraSeeds;
  do {
    Conquer(extraSeeds);
  } while (s.m_SeedFaces.GetSize() <= 255 && FindLeftoverSeeds(&extraSeeds));
  const bool seedsFit = s.m_SeedFaces.GetSize() <= 255;
  // The seed corners that no gate entered follow the vertices of the conquest.
  const int nbMain = static_cast<int>(m_Order.size());
  if (seedsFit)
    for (const int face : m_Seeds)
      for (int c = 0; c < 3; c++) {
        const int corner = m_Topology.Corner(face, c);
        std::uint8_t& entered = m_Entered[static_cast<std::size_t>(corner)];
        if (!entered) {
          entered = 1;
          m_Order.push_back(corner);
        }
      }
  WriteFlags();
  const CMesh3d* mesh = s.m_pMesh;
  s.m_VertexOrder.SetSize(static_cast<int>(m_Order.size()));
  for (std::size_t i = 0; i < m_Order.size(); i++)
    s.m_VertexOrder.SetAt(static_cast<int>(i), mesh->GetVertex(m_Order[i]));
  return !seedsFit || static_cast<int>(m_Order.size()) - nbMain > (1 << 24) - 1 ? -1 : nbMain;
}

gate::SeedIndices<3> CTriangleGateCoder::SeedRanks() const
{
  // Each seed corner's first place in the order.
  std::vector<int> place(m_Entered.size(), -1);
  for (std::size_t i = m_Order.size(); i-- > 0;)
    place[static_cast<std::size_t>(m_Order[i])] = static_cast<int>(i);
  gate::SeedIndices<3> ranks;
  ranks.reserve(m_Seeds.size());
  for (const int face : m_Seeds)
    ranks.push_back({place[static_cast<std::size_t>(m_Topology.Corner(face, 0))],
                     place[static_cast<std::size_t>(m_Topology.Corner(face, 1))],
                     place[static_cast<std::size_t>(m_Topology.Corner(face, 2))]});
  return ranks;
}

void CTriangleGateCoder::Conquer(const std::vector<int>& extraSeeds)
{
  CTriangleGateState& s = m_State;
  RunMainPhase();
  // No periodic redraw while zipping.
  const int period = s.m_RefreshPeriod;
  s.m_RefreshPeriod = 0;
  // The seed search reads the mesh's flags and finds the same seeds in every attempt, the
  // main phase being the same: it runs once, when some face is left.
  if (m_Found.Done) {
    for (const int face : m_Found.Seeds) {
      s.m_SeedFaces.Add(s.m_pMesh->GetFace(face));
      m_Topology.SetMark(face, 1);
    }
    m_Seeds = m_Found.Seeds;
  } else if (m_Topology.HasFreeFace()) {
    // The seed search reads face flags only; the vertices' are written once it is over.
    WriteFlags(false);
    FindSeeds();
    ReadSeeds();
    m_Found.Seeds = m_Seeds;
    m_Found.Done = true;
  }
  for (const int face : extraSeeds)
    if (m_Topology.Mark(face) == 0) {
      s.m_SeedFaces.Add(s.m_pMesh->GetFace(face));
      m_Topology.SetMark(face, 1);
      m_Seeds.push_back(face);
    }
  s.m_Genus = s.m_SeedFaces.GetSize() > 0 ? 1 : 0;
  // Visual debugging draws every attempt in full.
  const std::size_t nbFound = m_Found.Done ? m_Found.Seeds.size() : 0;
  if (m_Found.Opened && !s.m_Debug) {
    m_Queue.CopyFrom(m_Found.Queue);
    m_Counters = m_Found.Counters;
  } else {
    if (!s.m_Debug) {
      // The main phase leaves the queue empty: a fresh one chooses as it would, as the
      // restored attempts' do, and is the smaller copy.
      m_Queue.Restart(m_Counters);
    }
    OpenSeeds(0, nbFound);
    if (nbFound > 0 && !s.m_Debug) {
      m_Found.Queue.CopyFrom(m_Queue);
      m_Found.Counters = m_Counters;
      m_Found.Opened = true;
    }
  }
  OpenSeeds(nbFound, m_Seeds.size());
  while (ConquerStep(145, 237, 195)) {
  }
  s.m_RefreshPeriod = period;
}

bool CTriangleGateCoder::FindLeftoverSeeds(std::vector<int>* pSeeds)
{
  // Only faces free after the main phase can be left; each region is walked with mark 2,
  // which the next attempt's restore clears.
  bool found = false;
  std::vector<int> stack;
  for (const int first : m_Main.Free) {
    if (m_Topology.Mark(first) != 0)
      continue;
    pSeeds->push_back(first);
    found = true;
    m_Topology.SetMark(first, 2);
    stack.push_back(first);
    while (!stack.empty()) {
      const int f = stack.back();
      stack.pop_back();
      for (int k = 0; k < 3; k++) {
        const int n = m_Topology.Neighbor(f, k);
        if (n >= 0 && m_Topology.Mark(n) == 0) {
          m_Topology.SetMark(n, 2);
          stack.push_back(n);
        }
      }
    }
  }
  return found;
}

void CTriangleGateCoder::WriteFlags(bool vertices)
{
  const CMesh3d* mesh = m_State.m_pMesh;
  for (int i = 0; i < mesh->NbFace(); i++)
    mesh->GetFace(i)->SetFlag(m_Topology.Mark(i));
  for (int i = 0; vertices && i < mesh->NbVertex(); i++)
    mesh->GetVertex(i)->SetFlag(m_Entered[static_cast<std::size_t>(i)]);
}

void CTriangleGateCoder::ReadSeeds()
{
  // The search flagged its seeds, and only them, from 0 to 1.
  const CMesh3d* mesh = m_State.m_pMesh;
  std::vector<std::pair<const CFace3d*, int>> flagged;
  for (int i = 0; i < mesh->NbFace(); i++) {
    const CFace3d* face = mesh->GetFace(i);
    if (face->GetFlag() != m_Topology.Mark(i)) {
      m_Topology.SetMark(i, face->GetFlag());
      flagged.emplace_back(face, i);
    }
  }
  std::sort(flagged.begin(), flagged.end());
  const CArray3d<CFace3d>& seeds = m_State.m_SeedFaces;
  for (int i = 0; i < seeds.GetSize(); i++) {
    const auto it = std::lower_bound(flagged.begin(), flagged.end(),
                                     std::pair<const CFace3d*, int>(seeds[i], 0));
    m_Seeds.push_back(it->second);
  }
}

int CTriangleGateCoder::ConquerStep(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
  CTriangleGateState& s = m_State;
  if (m_Queue.IsEmpty())
    return 0;
  const CTriangleGateQueue::Slot slot = s.m_Adaptive ? m_Queue.ChooseBest() : m_Queue.ChooseOldest();
  const CTriangleGateQueue::Gate gate = m_Queue.GetAt(slot);
  const int inner = static_cast<int>(gate / 3);
  const int edge = static_cast<int>(gate % 3);
  const int v1 = m_Topology.Corner(inner, edge);
  const int v2 = m_Topology.Corner(inner, (edge + 1) % 3);
  // The mesh passed the check: the neighbour across v1 -> v2 is the face holding v2 -> v1,
  // whose edges are then v1 -> third and third -> v2.
  const int outer = m_Topology.Neighbor(inner, edge);
  int code = -1;
  if (outer < 0) {
    code = 3;
  } else if (m_Topology.Mark(outer) == 0) {
    const int toThird = m_Topology.PositionOf(outer, v1);
    const int fromThird = (toThird + 1) % 3;
    const int third = m_Topology.Corner(outer, fromThird);
    std::uint8_t& entered = m_Entered[static_cast<std::size_t>(third)];
    if (!entered) {
      code = 0;
      m_Order.push_back(third);
      s.m_NextVertex++;
      entered = 1;
      ConquerFace(outer, r, g, b);
      AddGate(outer, toThird);
      AddGate(outer, fromThird);
    } else if (m_Topology.FanCloses(inner, outer, v2, 0)) {
      code = 2;
      ConquerFace(outer, r, g, b);
      AddGate(outer, toThird);
    } else if (m_Topology.FanCloses(inner, outer, v1, 1)) {
      code = 1;
      ConquerFace(outer, r, g, b);
      AddGate(outer, fromThird);
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

void CTriangleGateCoder::ConquerFace(int face, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
  m_State.m_ConqueredFaces++;
  m_Topology.SetMark(face, 1);
  if (m_State.m_Debug)
    m_State.m_pMesh->GetFace(face)->SetColor(r, g, b);
  for (int i = 0; i < 3; i++)
    CountGate(m_Topology.Corner(face, i));
}

void CTriangleGateCoder::CountGate(int v)
{
  std::uint8_t& counter = m_Counters[static_cast<std::size_t>(v)];
  counter++;
  m_Queue.Rescore(static_cast<std::size_t>(v), counter);
}

void CTriangleGateCoder::AddGate(int face, int edge)
{
  const std::size_t v2 = static_cast<std::size_t>(m_Topology.Corner(face, (edge + 1) % 3));
  m_Queue.Add(static_cast<CTriangleGateQueue::Gate>(3 * face + edge), v2, m_Counters[v2]);
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

void CTriangleGateCoder::OpenSeeds(std::size_t first, std::size_t last)
{
  for (std::size_t i = first; i < last; i++) {
    const int face = m_Seeds[i];
    if (m_State.m_Debug)
      m_State.m_pMesh->GetFace(face)->SetColor(255, 0, 0);
    for (int c = 0; c < 3; c++) {
      AddGate(face, c);
      CountGate(m_Topology.Corner(face, c));
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
  return file.WriteFile(fileName);
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
