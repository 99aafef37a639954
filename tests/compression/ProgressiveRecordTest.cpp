#include "compression/ProgressiveGeometryLayer.h"
#include "compression/ProgressiveVertexRecord.h"
#include "mesh/Vertex3d.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <span>
#include <vector>

namespace {

// A hexagonal hole around the origin, tilted so that no axis is special.
std::vector<CProgressiveVertexRecord::Point> Hexagon()
{
  return {{100, 0, 10}, {50, 87, 20}, {-50, 87, 15}, {-100, 0, 5}, {-50, -87, 0}, {50, -87, 8}};
}

const std::vector<std::array<int, 3>> kFan{{0, 1, 2}, {0, 2, 4}, {2, 3, 4}, {0, 4, 5}};

// Gives the ring's vertices the points as second positions; their addresses, in order.
std::vector<CVertex3d*> PlaceRing(const std::vector<CProgressiveVertexRecord::Point>& points,
                                  std::vector<CVertex3d>* pRing)
{
  std::vector<CVertex3d*> border;
  for (size_t i = 0; i < points.size(); i++) {
    (*pRing)[i].Set2(static_cast<float>(points[i][0]), static_cast<float>(points[i][1]),
                     static_cast<float>(points[i][2]));
    border.push_back(&(*pRing)[i]);
  }
  return border;
}

TEST(ProgressiveRecord, PredictionReconstructsWithinOneGridUnit)
{
  int exact = 0;
  int total = 0;
  for (int x = -20; x <= 20; x += 3)
    for (int y = -20; y <= 20; y += 3)
      for (int z = -5; z <= 30; z += 5) {
        CProgressiveVertexRecord encoder(Hexagon(), kFan);
        encoder.SetTarget({x, y, z});
        encoder.Predict();
        // The decoder knows the border and the pattern, not the target.
        CProgressiveVertexRecord decoder;
        decoder.SetFrame(Hexagon(), kFan);
        decoder.SetCoordinates(encoder.GetCoordinates());
        const auto p = decoder.Reconstruct();
        for (int k = 0; k < 3; k++)
          EXPECT_LE(std::abs(p[k] - encoder.GetTarget()[k]), 1);
        exact += p == encoder.GetTarget() ? 1 : 0;
        total++;
      }
  // The offset search makes most targets exact.
  EXPECT_GT(exact, total * 3 / 4);
}

// Where the rotated lattice reaches no triple for the quantized target, the triple taken must
// bring the vertex within one step of its unquantized position on every axis: a miss toward
// the wrong side of the cell would cost one and a half.
TEST(ProgressiveRecord, UnreachableTargetFallsWithinOneStepOfTheOriginal)
{
  int misses = 0;
  double worstKeptRounded = 0;
  for (int x = -20; x <= 20; x++)
    for (int y = -20; y <= 20; y += 2)
      for (int z = -5; z <= 30; z += 5)
        for (double offset : {-0.45, 0.45}) {
          const CProgressiveVertexRecord::Point original{x + offset, y - offset, z + offset};
          CProgressiveVertexRecord encoder(Hexagon(), kFan);
          encoder.SetTarget({x, y, z});
          CProgressiveVertexRecord plain = encoder;
          encoder.SetOriginal(original);
          encoder.Predict();
          plain.Predict();
          const auto p = encoder.Reconstruct();
          if (p == encoder.GetTarget())
            continue;
          misses++;
          for (int k = 0; k < 3; k++) {
            EXPECT_LE(std::abs(p[k] - original[k]), 1.0) << x << " " << y << " " << z;
            worstKeptRounded = std::max(worstKeptRounded, std::abs(plain.Reconstruct()[k] - original[k]));
          }
        }
  // The case arises, and the rounded triple alone would have missed the bound.
  EXPECT_GT(misses, 0);
  EXPECT_GT(worstKeptRounded, 1.0);
}

// The original taken from the vertex on the grid when the search needs it gives what setting
// it first gives, misses included; an axis without scale has its original at 0.
TEST(ProgressiveRecord, OriginalFromTheGridMatchesTheOriginalSetFirst)
{
  const float scale[3] = {0.5f, 0.25f, 0.0f};
  const float shift[3] = {1.0f, -2.0f, 3.0f};
  const CProgressiveVertexRecord::SGrid grid{scale, shift};
  CVertex3d probe(2.0f, -1.0f, 7.0f);
  EXPECT_EQ(CProgressiveVertexRecord::GridPosition(&probe, grid),
            (CProgressiveVertexRecord::Point{2.0, 4.0, 0.0}));

  const auto hexagon = Hexagon();
  std::vector<CVertex3d> ring(hexagon.size());
  const std::vector<CVertex3d*> border = PlaceRing(hexagon, &ring);
  int misses = 0;
  int total = 0;
  for (int x = -20; x <= 20; x++)
    for (int y = -20; y <= 20; y += 3)
      for (int z = -5; z <= 30; z += 7)
        for (const float offset : {-0.45f, 0.2f}) {
          CVertex3d v((static_cast<float>(x) + offset) * scale[0] + shift[0],
                      (static_cast<float>(y) - offset) * scale[1] + shift[1], 5.0f);
          v.Set2(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
          CProgressiveVertexRecord lazy(&v, border, kFan);
          lazy.TakeFrameFromBorder();
          CProgressiveVertexRecord set = lazy;
          set.SetOriginal(CProgressiveVertexRecord::GridPosition(&v, grid));
          const auto fromGrid = lazy.Predict(grid);
          ASSERT_EQ(fromGrid, set.Predict()) << x << " " << y << " " << z;
          ASSERT_EQ(lazy.GetCoordinates(), set.GetCoordinates()) << x << " " << y << " " << z;
          misses += fromGrid != lazy.GetTarget() ? 1 : 0;
          total++;
        }
  // The search that reads the original runs, though for few of the targets.
  EXPECT_GT(misses, 0);
  EXPECT_LT(misses, total / 2);
}

TEST(ProgressiveRecord, FlatBorderGivesSmallNormalResiduals)
{
  std::vector<CProgressiveVertexRecord::Point> flat{{10, 0, 0}, {0, 10, 0}, {-10, 0, 0},
                                                     {0, -10, 0}};
  const std::vector<std::array<int, 3>> faces{{0, 1, 3}, {1, 2, 3}};
  CProgressiveVertexRecord record(flat, faces);
  record.SetTarget({1, 2, 3});
  record.Predict();
  EXPECT_EQ(3, std::abs(record.GetCoordinates()[2]));
  EXPECT_EQ(record.GetTarget(), record.Reconstruct());
}

TEST(ProgressiveRecord, DegenerateBorderFallsBackToTheAxes)
{
  // All border points equal: no normal, no tangent; the frame is the coordinate axes.
  const std::vector<CProgressiveVertexRecord::Point> same{{5, 5, 5}, {5, 5, 5}, {5, 5, 5}};
  const std::vector<std::array<int, 3>> face{{0, 1, 2}};
  CProgressiveVertexRecord record(same, face);
  record.SetTarget({7, 3, 9});
  record.Predict();
  EXPECT_EQ(record.GetTarget(), record.Reconstruct());
}

// The decoder rebuilds a vertex in the frame of its border without storing the border in the
// record: the same point as a record that keeps the frame, for every pattern of the hexagon and
// for faces that name no border vertex (dropped alike), and the record keeps its own frame.
TEST(ProgressiveRecord, ReconstructionInAGivenFrameLeavesTheRecordAlone)
{
  const std::vector<std::vector<std::array<int, 3>>> patterns{
      kFan, {{0, 1, 2}}, {{0, 1, 5}, {1, 3, 5}, {1, 2, 3}, {3, 4, 5}}, {{0, 1, 9}, {0, 2, 4}}, {}};
  const auto hexagon = Hexagon();
  const std::vector<CProgressiveVertexRecord::Point> triangle{{0, 0, 0}, {40, 3, 1}, {7, 50, -2}};
  for (const auto& faces : patterns)
    for (const std::array<int, 3> abc : {std::array<int, 3>{0, 0, 0}, {3, -4, 7}, {-9, 2, -5}}) {
      CProgressiveVertexRecord keeping;
      keeping.SetFrame(hexagon, faces);
      keeping.SetCoordinates(abc);
      CProgressiveVertexRecord given;
      given.SetFrame(triangle, {{{0, 1, 2}}});
      given.SetCoordinates(abc);
      const auto own = given.Reconstruct();
      EXPECT_EQ(keeping.Reconstruct(), given.Reconstruct(hexagon, faces));
      EXPECT_EQ(own, given.Reconstruct());
      // A different frame gives a different point for a non-zero triple.
      if (abc != std::array<int, 3>{0, 0, 0} && faces == kFan) {
        EXPECT_NE(keeping.Reconstruct(), own);
      }
    }
}

// The plain search: over the 5 x 5 x 5 offsets of the rounded triple in a, b, c order, the
// first with the least largest axis error and then the least sum of squared errors against
// the original, each triple decoded in a frame built afresh.
// pTies, when given, counts the triples sharing the least errors.
std::array<int, 3> PlainNearest(const std::vector<CProgressiveVertexRecord::Point>& border,
                                const std::vector<std::array<int, 3>>& faces,
                                const std::array<int, 3>& rounded,
                                const CProgressiveVertexRecord::Point& original,
                                int* pTies = nullptr)
{
  int ties = 0;
  CProgressiveVertexRecord probe(border, faces);
  std::array<int, 3> best{};
  double bestWorst = 1e300;
  double bestSquared = 1e300;
  for (int da = -2; da <= 2; da++)
    for (int db = -2; db <= 2; db++)
      for (int dc = -2; dc <= 2; dc++) {
        const std::array<int, 3> abc{rounded[0] + da, rounded[1] + db, rounded[2] + dc};
        probe.SetCoordinates(abc);
        const auto p = probe.Reconstruct();
        double worst = 0;
        double squared = 0;
        for (int k = 0; k < 3; k++) {
          const double e = std::fabs(p[k] - original[k]);
          worst = std::max(worst, e);
          squared += e * e;
        }
        if (worst < bestWorst || (worst == bestWorst && squared < bestSquared)) {
          best = abc;
          bestWorst = worst;
          bestSquared = squared;
          ties = 0;
        }
        ties += worst == bestWorst && squared == bestSquared;
      }
  if (pTies)
    *pTies = ties;
  return best;
}

// Predicts the target from the original; 1 when the target was missed and the triple taken is
// the plain search's, 0 when the target was reached, -1 when the triple differs or the
// position the prediction gives is not the one its triple rebuilds.
int CompareWithPlainSearch(const std::vector<CProgressiveVertexRecord::Point>& border,
                           const std::vector<std::array<int, 3>>& faces,
                           const std::array<int, 3>& target,
                           const CProgressiveVertexRecord::Point& original)
{
  CProgressiveVertexRecord record(border, faces);
  record.SetTarget(target);
  record.SetOriginal(original);
  const auto rounded = record.PredictRounded();
  const auto predicted = record.Predict();
  if (predicted != record.Reconstruct())
    return -1;
  if (record.Reconstruct() == record.GetTarget())
    return 0;
  return PlainNearest(border, faces, rounded, original) == record.GetCoordinates() ? 1 : -1;
}

// Where no triple reaches the target, the triple taken is the plain search's: a search that
// skips triples on a bound must find what the plain search finds.
TEST(ProgressiveRecord, NearestTripleIsTheFirstLeastErrorOfTheWholeSearch)
{
  const std::vector<std::vector<CProgressiveVertexRecord::Point>> borders{
      Hexagon(),
      {{30, -4, 11}, {9, 41, -7}, {-35, 12, 19}, {-8, -38, 3}},
      {{0, 0, 0}, {25, 7, 31}, {-6, 29, 17}}};
  const std::vector<std::vector<std::array<int, 3>>> faces{
      kFan, {{0, 1, 3}, {1, 2, 3}}, {{0, 1, 2}}};
  int searched = 0;
  for (size_t f = 0; f < borders.size(); f++)
    for (int x = -15; x <= 15; x++)
      for (int y = -15; y <= 15; y += 3)
        for (int z = -6; z <= 24; z += 6)
          for (double offset : {-0.45, 0.3}) {
            const CProgressiveVertexRecord::Point original{x + offset, y - offset, z + 0.7 * offset};
            const int r = CompareWithPlainSearch(borders[f], faces[f], {x, y, z}, original);
            EXPECT_GE(r, 0) << f << ": " << x << " " << y << " " << z;
            searched += r > 0;
          }
  EXPECT_GT(searched, 50);
}

// On a square turned an eighth of a turn about the grid's z axis, the lattice's points lie
// symmetrically about the grid's: originals on quarter steps leave several triples with the
// same least errors, of which the first in the search's order is taken, wherever the search
// starts from.
TEST(ProgressiveRecord, NearestTripleAmongEqualOnesIsTheFirstOfTheSearch)
{
  const std::vector<CProgressiveVertexRecord::Point> diamond{
      {10, 0, 0}, {0, 10, 0}, {-10, 0, 0}, {0, -10, 0}};
  const std::vector<std::array<int, 3>> fan{{0, 1, 2}, {0, 2, 3}};
  int searched = 0;
  int tied = 0;
  for (int x = -12; x <= 12; x++)
    for (int y = -12; y <= 12; y++)
      for (const double z : {0.0, 0.25, 0.5}) {
        const CProgressiveVertexRecord::Point original{x / 4.0, y / 4.0, z};
        for (const std::array<int, 3> shift : {std::array<int, 3>{0, 0, 0}, {1, 0, 0}, {0, -1, 1}}) {
          std::array<int, 3> target{};
          for (size_t k = 0; k < 3; k++)
            target[k] = static_cast<int>(std::lround(original[k])) + shift[k];
          const int r = CompareWithPlainSearch(diamond, fan, target, original);
          EXPECT_GE(r, 0) << x << " " << y << " " << z;
          if (r <= 0)
            continue;
          searched++;
          int ties = 0;
          PlainNearest(diamond, fan, CProgressiveVertexRecord::PredictRounded(diamond, fan, target),
                       original, &ties);
          tied += ties > 1;
        }
      }
  EXPECT_GT(searched, 100);
  EXPECT_GT(tied, 20);
}

// The same on small borders in every orientation, far from the origin as on a 15-bit grid,
// with originals anywhere in their cell and some beyond it, so that the bound of the rounded
// triple ranges from tight to loose and exact halves occur.
TEST(ProgressiveRecord, NearestTripleMatchesThePlainSearchOnTiltedBordersFarOut)
{
  std::srand(7);
  auto uniform = [](double from, double to) {
    return from + (to - from) * (std::rand() / static_cast<double>(RAND_MAX));
  };
  int searched = 0;
  int differing = 0;
  for (int trial = 0; trial < 3000; trial++) {
    const CProgressiveVertexRecord::Point centre{uniform(-16000, 16000), uniform(-16000, 16000),
                                                 uniform(-16000, 16000)};
    const int nbBorder = 3 + trial % 4;
    std::vector<CProgressiveVertexRecord::Point> border;
    for (int i = 0; i < nbBorder; i++) {
      // Integer positions, as quantized borders are.
      CProgressiveVertexRecord::Point p{};
      for (int k = 0; k < 3; k++)
        p[k] = std::round(centre[k] + uniform(-12, 12));
      border.push_back(p);
    }
    std::vector<std::array<int, 3>> fan;
    for (int i = 1; i + 1 < nbBorder; i++)
      fan.push_back({0, i, i + 1});
    CProgressiveVertexRecord::Point original{};
    std::array<int, 3> target{};
    for (int k = 0; k < 3; k++) {
      const double spread = trial % 3 == 0 ? 0.5 : 3;
      original[k] = std::round(centre[k]) + (trial % 5 == 0 ? std::round(uniform(-2, 2)) / 2
                                                             : uniform(-spread, spread));
      target[k] = static_cast<int>(std::lround(original[k] + (trial % 7 == 0 ? 1 : 0)));
    }
    const int r = CompareWithPlainSearch(border, fan, target, original);
    searched += r > 0;
    differing += r < 0;
  }
  EXPECT_EQ(0, differing);
  EXPECT_GT(searched, 300);
}

// The same where the normal has null components or lies near an axis (frames turned in a
// coordinate plane, tilts taking a component across a quarter), with both orientations, near
// the origin and far out, and originals far along the normal: rows of the search are then
// passed over by the normal's inverse components, or, too far out, not at all.
TEST(ProgressiveRecord, NearestTripleMatchesThePlainSearchWithNormalsAlongTheAxes)
{
  using Point = CProgressiveVertexRecord::Point;
  std::vector<std::array<Point, 2>> spans{{{{7, 3, 0}, {-3, 7, 0}}}, {{{-3, 7, 0}, {7, 3, 0}}},
                                          {{{0, 7, 3}, {0, -3, 7}}}, {{{3, 0, 7}, {7, 0, -3}}},
                                          {{{7, 3, 1}, {-3, 7, 0}}}, {{{7, 3, 2}, {-3, 7, 2}}}};
  for (double h = 30; h <= 45; h += 3)
    spans.push_back({{{10, 1, 0}, {0, 10, h}}});
  const std::vector<std::array<int, 3>> fan{{0, 1, 2}, {0, 2, 3}};
  int searched = 0;
  int differing = 0;
  for (const auto& [u, v] : spans)
    for (const Point centre : {Point{0, 0, 0}, Point{15000, -9000, 12000}, Point{600000, -700000, 500000}})
      for (const double along : {0.0, -6.5, 40000.0, 3e7}) {
        const std::vector<Point> border{{centre[0] + u[0], centre[1] + u[1], centre[2] + u[2]},
                                        {centre[0] + v[0], centre[1] + v[1], centre[2] + v[2]},
                                        {centre[0] - u[0], centre[1] - u[1], centre[2] - u[2]},
                                        {centre[0] - v[0], centre[1] - v[1], centre[2] - v[2]}};
        Point n{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (int trial = 0; trial < 60; trial++) {
          Point original{};
          std::array<int, 3> target{};
          for (int k = 0; k < 3; k++) {
            const double fraction = ((trial * (k + 3) * 37) % 20) / 10.0 - 1;
            original[k] = centre[k] + along * n[k] / length + (trial % 7 - 3) + fraction;
            target[k] = static_cast<int>(std::lround(original[k])) + (trial % 4 == k ? 1 : 0);
          }
          const int r = CompareWithPlainSearch(border, fan, target, original);
          searched += r > 0;
          differing += r < 0;
        }
      }
  EXPECT_EQ(0, differing);
  EXPECT_GT(searched, 300);
}

// Where the original lies two steps away in a and b, the nearest triple is found in the
// outermost rows of the search, whose offsets move furthest from the rounded row's: the
// triple taken is still the plain search's, on every tilt of the frame.
TEST(ProgressiveRecord, NearestTripleInTheOutermostRowsMatchesThePlainSearch)
{
  std::srand(23);
  auto uniform = [](double from, double to) {
    return from + (to - from) * (std::rand() / static_cast<double>(RAND_MAX));
  };
  const std::vector<std::array<int, 3>> fan{{0, 1, 2}, {0, 2, 3}, {0, 3, 4}};
  int searched = 0;
  int differing = 0;
  int outermost = 0;
  for (int trial = 0; trial < 6000; trial++) {
    std::vector<CProgressiveVertexRecord::Point> border;
    for (int i = 0; i < 5; i++)
      border.push_back({std::round(uniform(-9, 9)), std::round(uniform(-9, 9)),
                        std::round(uniform(-9, 9))});
    const std::array<int, 3> target{static_cast<int>(uniform(-5, 5)),
                                    static_cast<int>(uniform(-5, 5)),
                                    static_cast<int>(uniform(-5, 5))};
    const auto rounded = CProgressiveVertexRecord::PredictRounded(border, fan, target);
    const int da = trial % 2 ? 2 : -2;
    const int db = trial % 4 < 2 ? 2 : -2;
    const auto far = CProgressiveVertexRecord::Reconstruct(
        {rounded[0] + da, rounded[1] + db, rounded[2] + trial % 3 - 1}, border, fan);
    const CProgressiveVertexRecord::Point original{far[0] + uniform(-0.2, 0.2),
                                                   far[1] + uniform(-0.2, 0.2),
                                                   far[2] + uniform(-0.2, 0.2)};
    const int r = CompareWithPlainSearch(border, fan, target, original);
    searched += r > 0;
    differing += r < 0;
    if (r > 0) {
      CProgressiveVertexRecord record(border, fan);
      record.SetTarget(target);
      record.SetOriginal(original);
      record.Predict();
      const auto& abc = record.GetCoordinates();
      outermost += std::abs(abc[0] - rounded[0]) == 2 && std::abs(abc[1] - rounded[1]) == 2;
    }
  }
  EXPECT_EQ(0, differing);
  EXPECT_GT(searched, 200);
  // Most searches end in a corner row: the original was put there.
  EXPECT_GT(2 * outermost, searched);
}

// The rounded triple of a border given as it is equals the record's: the border cut to six,
// faces naming a vertex beyond it left out, and the same frame on both ways.
TEST(ProgressiveRecord, RoundedTripleWithoutARecordIsTheRecords)
{
  std::srand(11);
  auto uniform = [](double from, double to) {
    return from + (to - from) * (std::rand() / static_cast<double>(RAND_MAX));
  };
  int differing = 0;
  int nonZero = 0;
  for (int trial = 0; trial < 2000; trial++) {
    const int nbBorder = 3 + trial % 6;
    std::vector<CProgressiveVertexRecord::Point> border;
    for (int i = 0; i < nbBorder; i++)
      border.push_back({std::round(uniform(0, 2000)), std::round(uniform(0, 2000)),
                        std::round(uniform(0, 2000))});
    std::vector<std::array<int, 3>> fan;
    for (int i = 1; i + 1 < nbBorder; i++)
      fan.push_back({0, i, i + 1});
    const std::array<int, 3> target{static_cast<int>(uniform(0, 2000)),
                                    static_cast<int>(uniform(0, 2000)),
                                    static_cast<int>(uniform(0, 2000))};
    CProgressiveVertexRecord record(border, fan);
    record.SetTarget(target);
    const auto alone = CProgressiveVertexRecord::PredictRounded(border, fan, target);
    differing += alone != record.PredictRounded();
    nonZero += alone != std::array<int, 3>{0, 0, 0};
  }
  EXPECT_EQ(0, differing);
  EXPECT_GT(nonZero, 1900);
}

// On a unit square in the z = 0 plane the frame is the grid's own: n = z, t1 = y, t2 = x,
// origin at the square's centre (0.5, 0.5, 0). The tangential residuals of an integer target
// are then exact halves, which round down, the negative ones too, far out as well as near.
TEST(ProgressiveRecord, RoundedHalvesGoDown)
{
  const std::vector<CProgressiveVertexRecord::Point> square{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  const std::vector<std::array<int, 3>> fan{{0, 1, 2}, {0, 2, 3}};
  for (const int x : {-1000000, -3, -1, 0, 1, 2, 7, 999999})
    for (const int y : {-250000, -2, 0, 1, 5, 300001})
      for (const int z : {-40, 0, 9}) {
        const std::array<int, 3> expected{y - 1, x - 1, z};
        EXPECT_EQ(expected, CProgressiveVertexRecord::PredictRounded(square, fan, {x, y, z}))
            << x << " " << y << " " << z;
      }
}

// A face naming a border vertex below the first, as one beyond the last, makes no face: the
// frame is that of the faces kept.
TEST(ProgressiveRecord, FacesNamingNoBorderVertexAreLeftOut)
{
  const auto hexagon = Hexagon();
  const std::vector<std::array<int, 3>> named{{0, 1, 2}, {-1, 2, 4}, {2, 3, 4}, {0, 4, -6}, {0, 4, 5}};
  const std::vector<std::array<int, 3>> kept{{0, 1, 2}, {2, 3, 4}, {0, 4, 5}};
  // Without its second face the fan's normal differs: the rebuilt points tell the faces apart.
  const std::vector<std::array<int, 3>> fewer{{0, 1, 2}, {2, 3, 4}};
  int apart = 0;
  for (const std::array<int, 3> abc : {std::array<int, 3>{5, -3, 40}, {-20, 11, 60}, {0, 0, 90}}) {
    EXPECT_EQ(CProgressiveVertexRecord::Reconstruct(abc, hexagon, kept),
              CProgressiveVertexRecord::Reconstruct(abc, hexagon, named));
    apart += CProgressiveVertexRecord::Reconstruct(abc, hexagon, kept) !=
             CProgressiveVertexRecord::Reconstruct(abc, hexagon, fewer);
  }
  EXPECT_GT(apart, 0);
}

// Where the border's first and last vertices differ almost along the normal, the tangent is
// the rounding residue of a long projection, far from square to the normal: the nearest triple
// is still the plain search's.
TEST(ProgressiveRecord, NearestTripleMatchesThePlainSearchOnSkewFrames)
{
  using Point = CProgressiveVertexRecord::Point;
  // The faces span the square alone, which gives the normal.
  const std::vector<std::array<int, 3>> fan{{0, 1, 2}, {0, 2, 3}};
  int searched = 0;
  int differing = 0;
  for (const double height : {4e4, 2e5})
    for (const double slip : {1e-11, 3e-12, 1e-12})
      for (int trial = 0; trial < 400; trial++) {
        // A tilted square, a fifth vertex lifted off the first along the square's normal.
        const Point u{0.8, 0.36, 0.48};
        const Point v{-0.6, 0.48, 0.64};
        const Point n{0, -0.8, 0.6};
        std::vector<Point> border;
        for (const auto& [s, t] : {std::pair{0.0, 0.0}, {9.0, 0.0}, {9.0, 9.0}, {0.0, 9.0}})
          border.push_back({s * u[0] + t * v[0], s * u[1] + t * v[1], s * u[2] + t * v[2]});
        border.push_back({height * n[0] + slip * u[0], height * n[1] + slip * u[1],
                          height * n[2] + slip * u[2]});
        Point original{};
        std::array<int, 3> target{};
        for (int k = 0; k < 3; k++) {
          original[k] = ((trial * (k + 5) * 29) % 41) / 4.0 - 5 + 0.37 * k;
          target[k] = static_cast<int>(std::lround(original[k])) + (trial % 5 == k ? 1 : 0);
        }
        const int r = CompareWithPlainSearch(border, fan, target, original);
        searched += r > 0;
        differing += r < 0;
      }
  EXPECT_EQ(0, differing);
  EXPECT_GT(searched, 100);
}

// Extremes gathered residual by residual give the ranges and minima of all the residuals, each
// extreme starting at 0: the tangential ones over a and b, the normal over c.
TEST(ProgressiveRecord, GatheredExtremesGiveTheRangesOfTheResiduals)
{
  const std::vector<std::vector<std::array<int, 3>>> layers{
      {},
      {{3, 4, 5}},
      {{-3, 2, -9}, {7, -11, 4}, {0, 0, 0}},
      {{2, 2, 2}, {5, 1, 3}},
      {{-1, -8, -2}, {-4, -3, -6}}};
  for (const auto& residuals : layers) {
    CProgressiveGeometryLayer gathered;
    CProgressiveGeometryLayer::SExtremes extremes;
    for (const auto& abc : residuals)
      extremes.Add(abc);
    gathered.SetRanges(extremes);
    int minT = 0, maxT = 0, minC = 0, maxC = 0;
    for (const auto& abc : residuals) {
      minT = std::min({minT, abc[0], abc[1]});
      maxT = std::max({maxT, abc[0], abc[1]});
      minC = std::min(minC, abc[2]);
      maxC = std::max(maxC, abc[2]);
    }
    EXPECT_EQ(gathered.GetMinTangential(), minT);
    EXPECT_EQ(gathered.GetRangeTangential(), maxT - minT);
    EXPECT_EQ(gathered.GetMinNormal(), minC);
    EXPECT_EQ(gathered.GetRangeNormal(), maxC - minC);
  }
}

// A decoded layer keeps residuals alone until a record is asked for; either way each record
// gives back its residuals in order, with no vertex, and rebuilds the position its record would.
TEST(ProgressiveRecord, DecodedLayerKeepsResidualsUntilARecordIsAsked)
{
  CProgressiveGeometryLayer layer;
  layer.Reserve(3);
  const std::vector<std::array<int, 3>> residuals{{1, -2, 3}, {0, 0, 0}, {-7, 5, 11}};
  for (const auto& abc : residuals)
    layer.AddCoordinates(abc);
  ASSERT_EQ(layer.NbRecord(), 3);
  const auto border = Hexagon();
  for (int r = 0; r < 3; r++) {
    EXPECT_EQ(layer.GetVertex(r), nullptr);
    EXPECT_EQ(layer.GetCoordinates(r), residuals[static_cast<size_t>(r)]);
  }
  const std::array<int, 3> fromResiduals = CProgressiveVertexRecord::Reconstruct(
      layer.GetCoordinates(2), border, kFan);
  // Asking for a record turns every residual into one, in order.
  EXPECT_EQ(layer.GetRecord(2).GetCoordinates(), residuals[2]);
  ASSERT_EQ(layer.NbRecord(), 3);
  for (int r = 0; r < 3; r++) {
    EXPECT_EQ(layer.GetRecord(r).GetCoordinates(), residuals[static_cast<size_t>(r)]);
    EXPECT_EQ(layer.GetCoordinates(r), residuals[static_cast<size_t>(r)]);
    EXPECT_EQ(layer.GetVertex(r), nullptr);
  }
  EXPECT_EQ(layer.GetRecord(2).Reconstruct(border, kFan), fromResiduals);
  // Residuals added after that become records at once.
  layer.AddCoordinates({4, 4, 4});
  ASSERT_EQ(layer.NbRecord(), 4);
  EXPECT_EQ(layer.GetRecord(3).GetCoordinates(), (std::array<int, 3>{4, 4, 4}));
  // The ranges cover every residual: tangential -7 .. 5, normal 0 .. 11.
  CProgressiveGeometryLayer::SExtremes extremes;
  for (int r = 0; r < layer.NbRecord(); r++)
    extremes.Add(layer.GetCoordinates(r));
  layer.SetRanges(extremes);
  EXPECT_EQ(layer.GetMinTangential(), -7);
  EXPECT_EQ(layer.GetRangeTangential(), 12);
  EXPECT_EQ(layer.GetMinNormal(), 0);
  EXPECT_EQ(layer.GetRangeNormal(), 11);
}

} // namespace

// A record made in place holds what the conquest gives it: the vertex, its quantized position
// as target, the border in order and the faces naming it. It follows the records before it,
// decoded residuals made records first.
TEST(ProgressiveRecord, RecordMadeInPlaceFollowsTheLayersRecords)
{
  CVertex3d v(1.5f, 2.5f, -3.5f);
  v.Set2(4, -9, 17);
  CVertex3d ring[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  for (int i = 0; i < 4; i++)
    ring[i].Set2(static_cast<float>(10 * i), static_cast<float>(i * i), static_cast<float>(i));
  CVertex3d* const border[4] = {&ring[0], &ring[1], &ring[2], &ring[3]};
  // The second face names a border vertex that does not exist: it makes no face.
  const std::vector<std::array<int, 3>> faces{{0, 1, 3}, {1, 2, 4}, {1, 2, 3}};
  CProgressiveGeometryLayer layer;
  layer.AddCoordinates({3, 2, 1});
  CProgressiveVertexRecord& made = layer.Emplace(&v, std::span<CVertex3d* const>(border), faces);
  ASSERT_EQ(2, layer.NbRecord());
  EXPECT_EQ(&made, &layer.GetRecord(1));
  EXPECT_EQ((std::array<int, 3>{3, 2, 1}), layer.GetRecord(0).GetCoordinates());
  EXPECT_EQ(&v, layer.GetVertex(1));
  EXPECT_EQ((std::array<int, 3>{4, -9, 17}), made.GetTarget());
  EXPECT_EQ((std::array<float, 3>{1.5f, 2.5f, -3.5f}), made.GetPosition());
  // The frame comes from the border's quantized positions and the two faces kept: the same
  // rounded triple as a record built on those positions directly.
  made.TakeFrameFromBorder();
  const std::vector<CProgressiveVertexRecord::Point> points{
      {0, 0, 0}, {10, 1, 1}, {20, 4, 2}, {30, 9, 3}};
  const std::vector<std::array<int, 3>> kept{{0, 1, 3}, {1, 2, 3}};
  CProgressiveVertexRecord direct(points, kept);
  direct.SetTarget({4, -9, 17});
  EXPECT_EQ(direct.PredictRounded(), made.PredictRounded());
}

// Where the rounded triple misses a target some neighbour reaches, the triple kept is the first
// over -1..1 in a, b, c order that rebuilds the target: a tilted frame maps some grid points
// from two triples, and the later one must not be taken.
TEST(ProgressiveRecord, NeighbourReachingTheTargetIsTheFirstInSearchOrder)
{
  const auto hexagon = Hexagon();
  int searched = 0;
  int twice = 0;
  for (int x = -12; x <= 12; x++)
    for (int y = -12; y <= 12; y++)
      for (int z = 0; z <= 24; z += 3) {
        CProgressiveVertexRecord record(hexagon, kFan);
        record.SetTarget({x, y, z});
        const auto rounded = record.PredictRounded();
        record.Predict();
        CProgressiveVertexRecord probe(hexagon, kFan);
        probe.SetCoordinates(rounded);
        if (probe.Reconstruct() == record.GetTarget())
          continue;
        std::vector<std::array<int, 3>> reaching;
        for (int da = -1; da <= 1; da++)
          for (int db = -1; db <= 1; db++)
            for (int dc = -1; dc <= 1; dc++) {
              probe.SetCoordinates({rounded[0] + da, rounded[1] + db, rounded[2] + dc});
              if (probe.Reconstruct() == record.GetTarget())
                reaching.push_back(probe.GetCoordinates());
            }
        if (reaching.empty())
          continue;
        searched++;
        twice += reaching.size() > 1 ? 1 : 0;
        ASSERT_EQ(reaching.front(), record.GetCoordinates()) << x << " " << y << " " << z;
      }
  EXPECT_GT(searched, 0);
  EXPECT_GT(twice, 0);
}

// A removal's record reads its border where it is when a frame is needed; one that took its
// frame keeps it while the border moves on.
TEST(ProgressiveRecord, FrameIsTheBordersWhereItIsUnlessTaken)
{
  const auto hexagon = Hexagon();
  std::vector<CVertex3d> ring(hexagon.size());
  const std::vector<CVertex3d*> border = PlaceRing(hexagon, &ring);
  CVertex3d v(0, 0, 0);
  v.Set2(7, -5, 12);
  CProgressiveVertexRecord reading(&v, border, kFan);
  CProgressiveVertexRecord taken = reading;
  taken.TakeFrameFromBorder();
  // The border turns a quarter about z and rises.
  std::vector<CProgressiveVertexRecord::Point> moved;
  for (const auto& p : hexagon)
    moved.push_back({-p[1], p[0], p[2] + 9});
  PlaceRing(moved, &ring);
  CProgressiveVertexRecord before(hexagon, kFan);
  CProgressiveVertexRecord after(moved, kFan);
  for (CProgressiveVertexRecord* r : {&before, &after})
    r->SetTarget(reading.GetTarget());
  EXPECT_EQ(after.Predict(), reading.Predict());
  EXPECT_EQ(after.GetCoordinates(), reading.GetCoordinates());
  EXPECT_EQ(before.Predict(), taken.Predict());
  EXPECT_EQ(before.GetCoordinates(), taken.GetCoordinates());
  // The two frames differ: so do the residuals.
  EXPECT_NE(reading.GetCoordinates(), taken.GetCoordinates());
  EXPECT_EQ(taken.Reconstruct(), before.Reconstruct());
  EXPECT_EQ(reading.Reconstruct(), after.Reconstruct());
}
