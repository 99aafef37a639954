#include "mesh/Mesh3d.h"
#include "AllocatedBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// Whether elements i .. i + n - 1 of the claim lie side by side, told by their places alone.
bool SideBySide(const CElementPool<CFace3d>::CClaim& claim, std::uint32_t i, std::uint32_t n)
{
  if (i + n > claim.GetSize())
    return false;
  for (std::uint32_t k = 1; k < n; k++)
    if (claim.At(i + k) != claim.At(i) + k)
      return false;
  return true;
}

// A run is offered exactly where the claimed elements lie side by side, and its places are the
// claim's, across the end of the block being filled and between whole blocks.
TEST(ElementPoolRun, RunsAreOfferedExactlyWithinOneBlock)
{
  CMesh3d mesh;
  std::vector<CFace3d*> before;
  for (int i = 0; i < 7; i++)
    before.push_back(mesh.NewFace());
  const std::uint32_t n = 2500;  // the rest of a block, then several whole ones
  auto claim = mesh.ClaimFaces(static_cast<int>(n));
  int refused = 0;
  for (std::uint32_t i = 0; i < n; i++) {
    const auto run = claim.RunAt(i, 3);
    EXPECT_EQ(static_cast<bool>(run), SideBySide(claim, i, 3)) << i;
    if (!run) {
      refused++;
      continue;
    }
    for (std::uint32_t k = 0; k < 3; k++)
      EXPECT_EQ(run.At(k), claim.At(i + k));
  }
  // The last two cannot start a run of three; each block break refuses two starts more.
  EXPECT_GE(refused, 2 + 2);
  for (std::uint32_t i = 0; i < n; i++)
    mesh.AddFace(claim.Construct(i));
  for (CFace3d* f : before)
    mesh.AddFace(f);
}

// Faces made through runs of three, the rest one by one, are pooled elements like the others:
// each finds its block when deleted, in any order, and every block is freed.
TEST(ElementPoolRun, FacesMadeInRunsAreFreedWithTheirBlocks)
{
  const size_t allocated = AllocatedBytes();
  {
    CMesh3d mesh;
    CVertex3d* a = mesh.NewVertex(0.0f, 0.0f, 0.0f);
    CVertex3d* b = mesh.NewVertex(1.0f, 0.0f, 0.0f);
    CVertex3d* c = mesh.NewVertex(0.0f, 1.0f, 0.0f);
    mesh.AddVertex(a);
    mesh.AddVertex(b);
    mesh.AddVertex(c);
    CFace3d* first = mesh.NewFace(a, b, c);
    mesh.AddFace(first);
    const std::uint32_t n = 3 * 700;
    auto claim = mesh.ClaimFaces(static_cast<int>(n));
    // Runs of three from an offset at which some run crosses the end of a block.
    std::uint32_t offset = 0;
    while (offset < 3 && [&] {
      for (std::uint32_t i = offset; i + 3 <= n; i += 3)
        if (!SideBySide(claim, i, 3))
          return false;
      return true;
    }())
      offset++;
    ASSERT_LT(offset, 3u);
    std::vector<CFace3d*> made(n, nullptr);
    int runs = 0;
    int refused = 0;
    for (std::uint32_t i = 0; i < n; i += i < offset ? 1 : 3) {
      const std::uint32_t length = i < offset ? 1 : std::min(3u, n - i);
      const auto run = claim.RunAt(i, length);
      runs += run ? 1 : 0;
      refused += run ? 0 : 1;
      for (std::uint32_t k = 0; k < length; k++) {
        CFace3d* across = k == 0 ? first : made[i + k - 1];
        made[i + k] = run ? run.Construct(k, c, b, a, across, nullptr, first)
                          : claim.Construct(i + k, c, b, a, across, nullptr, first);
      }
    }
    EXPECT_GT(runs, 0);
    EXPECT_GT(refused, 0);
    for (std::uint32_t i = 0; i < n; i++) {
      CFace3d* f = made[i];
      ASSERT_EQ(f, claim.At(i));
      EXPECT_EQ(f->v(0), c);
      EXPECT_EQ(f->v(1), b);
      EXPECT_EQ(f->v(2), a);
      EXPECT_EQ(f->v(3), nullptr);
      const bool starts = i < offset || (i - offset) % 3 == 0;
      EXPECT_EQ(f->f(0), starts ? first : made[i - 1]);
      EXPECT_EQ(f->f(1), nullptr);
      EXPECT_EQ(f->f(2), first);
      EXPECT_EQ(f->GetFlag(), 0);
    }
    // Every other face goes before the mesh, from the last one down.
    for (std::uint32_t i = n; i-- > 0;)
      if (i % 2 == 0)
        delete made[i];
      else
        mesh.AddFace(made[i]);
  }
  EXPECT_EQ(AllocatedBytes(), allocated);
}

// A face made whole names its elements wherever they lie: on the stack beside it, or in the
// heap, which may be out of reach of its 32-bit references.
TEST(ElementPoolRun, FaceMadeWholeNamesItsElementsWhereverTheyLie)
{
  CVertex3d near(0.0f, 0.0f, 0.0f);
  auto far = std::make_unique<CFace3d>();
  CFace3d face(&near, &near, &near, far.get(), nullptr, far.get());
  EXPECT_EQ(face.v(0), &near);
  EXPECT_EQ(face.v(2), &near);
  EXPECT_EQ(face.f(0), far.get());
  EXPECT_EQ(face.f(1), nullptr);
  EXPECT_EQ(face.f(2), far.get());
}

} // namespace
