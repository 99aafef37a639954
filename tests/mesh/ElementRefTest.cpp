#include "mesh/ElementRef.h"
#include "mesh/Face3d.h"
#include "mesh/Vertex3d.h"

#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

// An address that is only compared, never read.
const void* At(std::intptr_t address) { return reinterpret_cast<const void*>(address); }

// Vertices and faces built side by side in one block, as a pool holds them: every reference
// between them is in reach.
class CSideBySide
{
public:
  CSideBySide(int nbVertex, int nbFace)
  {
    for (int i = 0; i < nbVertex; i++)
      m_Vertices.push_back(new (Take(sizeof(CVertex3d))) CVertex3d(static_cast<float>(i), 0, 0));
    for (int i = 0; i < nbFace; i++)
      m_Faces.push_back(new (Take(sizeof(CFace3d))) CFace3d());
  }
  ~CSideBySide()
  {
    for (CFace3d* f : m_Faces)
      f->~CFace3d();
    for (CVertex3d* v : m_Vertices)
      v->~CVertex3d();
  }
  CSideBySide(const CSideBySide&) = delete;
  CSideBySide& operator=(const CSideBySide&) = delete;

  CVertex3d* Vertex(int i) const { return m_Vertices[static_cast<size_t>(i)]; }
  CFace3d* Face(int i) const { return m_Faces[static_cast<size_t>(i)]; }

private:
  void* Take(size_t bytes)
  {
    void* p = m_Block.get() + m_Used;
    m_Used += (bytes + 7) / 8 * 8;
    return p;
  }

  std::unique_ptr<std::max_align_t[]> m_Block{new std::max_align_t[4096]};
  size_t m_Used = 0;
  std::vector<CVertex3d*> m_Vertices;
  std::vector<CFace3d*> m_Faces;
};

// A face and a vertex 17 GiB apart, beyond the reach of a reference: an address range is
// reserved and only the two pages they lie on are made usable.
class CFarApart
{
public:
  CFarApart()
  {
    void* p = mmap(nullptr, kBytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED)
      return;
    m_pBase = static_cast<char*>(p);
    if (mprotect(m_pBase, kPage, PROT_READ | PROT_WRITE) != 0 ||
        mprotect(m_pBase + kFar, kPage, PROT_READ | PROT_WRITE) != 0)
      return;
    m_pFace = new (m_pBase) CFace3d();
    m_pVertex = new (m_pBase + kFar) CVertex3d(4, 5, 6);
  }
  ~CFarApart()
  {
    if (m_pFace)
      m_pFace->~CFace3d();
    if (m_pVertex)
      m_pVertex->~CVertex3d();
    if (m_pBase)
      munmap(m_pBase, kBytes);
  }
  CFarApart(const CFarApart&) = delete;
  CFarApart& operator=(const CFarApart&) = delete;

  CFace3d* Face() const { return m_pFace; }
  CVertex3d* Vertex() const { return m_pVertex; }

private:
  static constexpr size_t kPage = 1 << 16;
  static constexpr size_t kFar = size_t{17} << 30;
  static constexpr size_t kBytes = kFar + kPage;
  char* m_pBase = nullptr;
  CFace3d* m_pFace = nullptr;
  CVertex3d* m_pVertex = nullptr;
};

// Sets every slot of the face and reads each back, through the index wrap of the accessors.
void ExpectSlotsRoundTrip(CFace3d* f, CVertex3d* const* vertices, CFace3d* const* faces)
{
  for (int i = 0; i < 6; i++)
    f->SetVertex(i, vertices[i]);
  f->SetNeighbors(faces[0], faces[1], faces[2]);
  for (int i = 0; i < 6; i++) {
    EXPECT_EQ(f->v(i), vertices[i]) << "slot " << i;
    EXPECT_EQ(f->v(i + 6), vertices[i]) << "slot " << i + 6;
  }
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(f->f(i), faces[i]) << "neighbour " << i;
    EXPECT_EQ(f->f(i + 3), faces[i]) << "neighbour " << i + 3;
  }
}

} // namespace

TEST(ElementRef, EncodesWithinReachAndRefusesTheRest)
{
  const std::intptr_t origin = std::intptr_t{1} << 40;
  std::int32_t code = 7;
  EXPECT_TRUE(elementref::Encode(At(origin), nullptr, &code));
  EXPECT_EQ(code, 0);
  EXPECT_EQ(elementref::Decode<const void>(At(origin), 0), nullptr);

  for (const std::intptr_t distance :
       {std::intptr_t{8}, std::intptr_t{-8}, std::intptr_t{4096}, std::intptr_t{-1} << 20,
        std::intptr_t{INT32_MAX} * 8, std::intptr_t{INT32_MIN + 1} * 8}) {
    ASSERT_TRUE(elementref::Encode(At(origin), At(origin + distance), &code)) << distance;
    EXPECT_EQ(elementref::Decode<const void>(At(origin), code), At(origin + distance)) << distance;
  }
  // One step past the reach either way, the origin itself, and a misaligned element.
  EXPECT_FALSE(elementref::Encode(At(origin), At(origin + (std::intptr_t{INT32_MAX} + 1) * 8), &code));
  EXPECT_FALSE(elementref::Encode(At(origin), At(origin + (std::intptr_t{INT32_MIN} - 1) * 8), &code));
  EXPECT_FALSE(elementref::Encode(At(origin), At(origin), &code));
  EXPECT_FALSE(elementref::Encode(At(origin), At(origin + 12), &code));
}

TEST(FaceReferences, SlotsRoundTripWhenAllAreInReach)
{
  CSideBySide block(6, 4);
  CVertex3d* vertices[6] = {block.Vertex(0), block.Vertex(1), block.Vertex(2),
                            block.Vertex(3), nullptr,         block.Vertex(5)};
  CFace3d* faces[3] = {block.Face(1), nullptr, block.Face(3)};
  ExpectSlotsRoundTrip(block.Face(0), vertices, faces);
  EXPECT_EQ(block.Face(0)->NbVertex(), 5);
  EXPECT_EQ(block.Face(0)->NbFaceNeighbor(), 2);
  EXPECT_EQ(block.Face(0)->IndexFrom(block.Vertex(2)), 2);
  EXPECT_EQ(block.Face(0)->GetNeighbor1(), nullptr);
}

TEST(FaceReferences, VertexListsOfElementsInReachStayInTheirRoom)
{
  // Wherever a list lies in its vertex, elements in reach take no heap block.
  CSideBySide block(8, 8);
  CVertex3d* v = block.Vertex(0);
  for (int i = 1; i < 7; i++) {
    v->AddFaceNeighbor(block.Face(i));
    v->AddVertexNeighbor(block.Vertex(i));
  }
  v->AddVertexNeighbor(v);
  EXPECT_EQ(v->GetArrayFaceNeighbor()->IsSpilled(), 0);
  EXPECT_EQ(v->GetArrayVertexNeighbor()->IsSpilled(), 1);  // seven: beyond the room
  EXPECT_EQ(v->GetFaceNeighbor(5), block.Face(6));
  EXPECT_EQ(v->GetVertexNeighbor(6), v);
  v->RemoveAllVertexNeighbor();
  v->AddVertexNeighbor(v);
  EXPECT_EQ(v->GetArrayVertexNeighbor()->IsSpilled(), 0);
  EXPECT_EQ(v->GetVertexNeighbor(0), v);
  EXPECT_EQ(v->RemoveFaceNeighbor(block.Face(3)), 1);
  EXPECT_EQ(v->GetFaceNeighbor(2), block.Face(4));
}

TEST(FaceReferences, AnElementOutOfReachKeepsEveryOtherReference)
{
  // A vertex on the stack is out of reach of a face in the heap: from then on the face keeps
  // pointers, and the references set before come through unchanged. (Whether the stack is out
  // of reach depends on the allocator; the results are the same either way.)
  CSideBySide block(6, 3);
  CFace3d* f = block.Face(0);
  f->SetVertices(block.Vertex(0), block.Vertex(1), block.Vertex(2));
  f->SetVertex(4, block.Vertex(4));
  f->SetNeighbors(block.Face(1), nullptr, block.Face(2));
  f->SetF(1, f);  // the adjacency build marks a face with itself
  CVertex3d onStack(1, 2, 3);
  f->SetVertex(5, &onStack);
  EXPECT_EQ(f->v(0), block.Vertex(0));
  EXPECT_EQ(f->v(2), block.Vertex(2));
  EXPECT_EQ(f->v(3), nullptr);
  EXPECT_EQ(f->v(4), block.Vertex(4));
  EXPECT_EQ(f->v(5), &onStack);
  EXPECT_EQ(f->f(0), block.Face(1));
  EXPECT_EQ(f->f(1), f);
  EXPECT_EQ(f->f(2), block.Face(2));
  f->SetVertex(5, nullptr);

  // Edits go on as before, with the scratch state sharing the block.
  f->SetRibbon(3);
  EXPECT_EQ(f->UpdateVertex(block.Vertex(1), block.Vertex(5)), 1);
  EXPECT_EQ(f->v(1), block.Vertex(5));
  EXPECT_EQ(f->UpdateNeighbor(block.Face(2), nullptr), 1);
  EXPECT_EQ(f->f(2), nullptr);
  EXPECT_EQ(f->GetRibbon(), 3);

  // Elements on the stack and in the heap mix with those of the block.
  auto onHeap = std::make_unique<CFace3d>();
  CVertex3d* vertices[6] = {&onStack, block.Vertex(1), nullptr, block.Vertex(3), nullptr, nullptr};
  CFace3d* faces[3] = {onHeap.get(), block.Face(0), nullptr};
  ExpectSlotsRoundTrip(block.Face(2), vertices, faces);
}

TEST(FaceReferences, AVertexBeyondReachIsKeptExactly)
{
  CFarApart far;
  if (!far.Face())
    GTEST_SKIP() << "no address range to reserve";
  CSideBySide block(3, 1);
  CFace3d* f = far.Face();
  f->SetData(block.Vertex(1));  // the pointers then share the block with the data
  f->SetF(0, f);
  f->SetVertices(block.Vertex(0), nullptr, nullptr);  // out of reach already
  f->SetVertex(1, far.Vertex());
  f->SetVertex(2, block.Vertex(2));
  EXPECT_EQ(f->GetData(), block.Vertex(1));
  f->SetData(nullptr);
  EXPECT_EQ(f->GetData(), nullptr);
  EXPECT_EQ(f->f(0), f);
  EXPECT_EQ(f->v(0), block.Vertex(0));
  EXPECT_EQ(f->v(1), far.Vertex());
  EXPECT_EQ(f->v(2), block.Vertex(2));
  EXPECT_EQ(f->IndexFrom(far.Vertex()), 1);

  // The same for a neighbour list, whose entries then become pointers.
  CNeighborList<CFace3d>* list = far.Vertex()->GetArrayFaceNeighbor();
  list->Add(nullptr);
  list->Add(far.Face());
  EXPECT_EQ(list->IsSpilled(), 1);
  EXPECT_EQ(list->GetAt(0), nullptr);
  EXPECT_EQ(list->GetAt(1), far.Face());
  EXPECT_EQ(list->IndexFrom(far.Face()), 1);
}

TEST(FaceReferences, CopiesAndConstructorsKeepTheCorners)
{
  CSideBySide block(3, 2);
  auto made = std::make_unique<CFace3d>(block.Vertex(0), block.Vertex(1), block.Vertex(2), 200,
                                        100, 50, 7, nullptr);
  EXPECT_EQ(made->v(1), block.Vertex(1));
  EXPECT_EQ(made->GetFlag(), 7);
  EXPECT_EQ(made->GetColor()->g(), 100);
  made->SetF(2, block.Face(1));
  const CFace3d copy(made.get());
  EXPECT_EQ(copy.v(0), block.Vertex(0));
  EXPECT_EQ(copy.v(2), block.Vertex(2));
  EXPECT_EQ(copy.f(2), block.Face(1));
  EXPECT_EQ(copy.f(0), nullptr);
  EXPECT_EQ(copy.IsSameFace(made.get()), 1);
}

TEST(ElementRef, UncheckedReferencesInASpanAreTheCheckedOnes)
{
  const std::intptr_t origin = std::intptr_t{1} << 40;
  const std::uintptr_t lo = static_cast<std::uintptr_t>(origin);
  EXPECT_TRUE(elementref::SpanInReach(lo, lo));
  EXPECT_TRUE(elementref::SpanInReach(lo, lo + elementref::kSpan));
  EXPECT_FALSE(elementref::SpanInReach(lo, lo + elementref::kSpan + 1));
  EXPECT_FALSE(elementref::SpanInReach(lo + 8, lo));
  EXPECT_EQ(elementref::EncodeInReach(At(origin), nullptr), 0);
  // Origins anywhere in a span up to 7 bytes below their objects, elements at its ends.
  const std::intptr_t span = static_cast<std::intptr_t>(elementref::kSpan);
  for (const std::intptr_t from : {origin, origin + 3, origin + span - 1, origin + span}) {
    for (const std::intptr_t to : {origin, origin + 8, origin + span - 8}) {
      if ((from & ~std::intptr_t{7}) == to)
        continue;  // no element starts at an origin
      std::int32_t code = 0;
      ASSERT_TRUE(elementref::Encode(At(from), At(to), &code)) << from - origin << " " << to - origin;
      EXPECT_EQ(elementref::EncodeInReach(At(from), At(to)), code) << from - origin << " " << to - origin;
      EXPECT_EQ(elementref::Decode<const void>(At(from), code), At(to));
    }
  }
}

TEST(FaceReferences, UncheckedWritesLeaveTheCheckedFace)
{
  CSideBySide block(4, 4);
  CFace3d* f = block.Face(0);
  CVertex3d* a = block.Vertex(2);
  CVertex3d* b = block.Vertex(0);
  CVertex3d* c = block.Vertex(3);
  const auto bytes = [f] {
    std::vector<unsigned char> out(sizeof(CFace3d));
    std::memcpy(out.data(), static_cast<const void*>(f), sizeof(CFace3d));
    return out;
  };
  f->Set(a, b, c, block.Face(3), nullptr, f);
  const auto checked = bytes();
  f->Set(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  f->SetInReach(a, b, c, block.Face(3), nullptr, f);
  EXPECT_EQ(bytes(), checked);
  EXPECT_EQ(f->v(0), a);
  EXPECT_EQ(f->v(2), c);
  EXPECT_EQ(f->f(0), block.Face(3));
  EXPECT_EQ(f->f(1), nullptr);
  EXPECT_EQ(f->f(2), f);

  f->SetNeighbors(nullptr, block.Face(1), block.Face(2));
  const auto checkedNeighbors = bytes();
  f->SetNeighbors(block.Face(3), block.Face(3), block.Face(3));
  f->SetNeighborsInReach(nullptr, block.Face(1), block.Face(2));
  EXPECT_EQ(bytes(), checkedNeighbors);

  // Made in place, as a claim makes its faces.
  CFace3d* g = block.Face(1);
  g->~CFace3d();
  new (g) CFace3d(CFace3d::SInReach{}, c, a, b, nullptr, f, block.Face(2));
  EXPECT_EQ(g->v(0), c);
  EXPECT_EQ(g->v(1), a);
  EXPECT_EQ(g->v(2), b);
  EXPECT_EQ(g->f(0), nullptr);
  EXPECT_EQ(g->f(1), f);
  EXPECT_EQ(g->f(2), block.Face(2));
  EXPECT_EQ(g->IndexFrom(a), 1);
}

TEST(FaceReferences, UncheckedWritesToAWideFaceKeepPointers)
{
  // A face that once met an element out of reach keeps pointers: the unchecked writes set them.
  CSideBySide block(4, 3);
  CFace3d* f = block.Face(0);
  CVertex3d onStack(1, 2, 3);
  f->SetVertex(3, &onStack);
  f->SetInReach(block.Vertex(1), block.Vertex(2), block.Vertex(0), nullptr, block.Face(2), f);
  EXPECT_EQ(f->v(0), block.Vertex(1));
  EXPECT_EQ(f->v(1), block.Vertex(2));
  EXPECT_EQ(f->v(2), block.Vertex(0));
  EXPECT_EQ(f->v(3), &onStack);
  EXPECT_EQ(f->f(0), nullptr);
  EXPECT_EQ(f->f(1), block.Face(2));
  EXPECT_EQ(f->f(2), f);
  f->SetNeighborsInReach(block.Face(1), nullptr, nullptr);
  EXPECT_EQ(f->f(0), block.Face(1));
  EXPECT_EQ(f->f(1), nullptr);
  EXPECT_EQ(f->v(3), &onStack);
}

TEST(FaceReferences, UncheckedListAssignsLeaveTheCheckedLists)
{
  // Each count from empty through the room to beyond it, onto an empty, a full and a spilled
  // list: the same entries, size and storage as Assign leaves, byte for byte in the room.
  CSideBySide block(12, 10);
  CVertex3d* v = block.Vertex(0);
  CNeighborList<CFace3d>* list = v->GetArrayFaceNeighbor();
  const auto at = [&block](int i) { return i == 3 ? nullptr : block.Face(9 - i); };
  const auto bytes = [list] {
    std::vector<unsigned char> out(sizeof *list);
    std::memcpy(out.data(), static_cast<const void*>(list), sizeof *list);
    return out;
  };
  for (const int before : {0, 6, 8}) {
    for (int n = 0; n <= 9; n++) {
      SCOPED_TRACE(testing::Message() << before << " entries, then " << n);
      const auto reset = [&] {
        list->RemoveAll();
        for (int i = 0; i < before; i++)
          list->Add(block.Face(i));
      };
      reset();
      list->Assign(n, at);
      const auto checked = bytes();
      const int max = list->GetMaxSize();
      const int spilled = list->IsSpilled();
      reset();
      list->AssignInReach(n, at);
      ASSERT_EQ(list->GetSize(), n);
      for (int i = 0; i < n; i++)
        EXPECT_EQ(list->GetAt(i), at(i)) << "entry " << i;
      EXPECT_EQ(list->GetMaxSize(), max);
      EXPECT_EQ(list->IsSpilled(), spilled);
      if (!spilled) {
        EXPECT_EQ(bytes(), checked);
      }
      if (n > 3) {
        EXPECT_EQ(list->IndexFrom(nullptr), 3);
      }
    }
  }
}
