#include "MeshFixtures.h"

#include <gtest/gtest.h>

TEST(Vertex3d, NeighbourListEditing)
{
  CVertex3d v, a, b;
  EXPECT_EQ(v.AddNeighbor(&v), 0);
  EXPECT_EQ(v.AddNeighbor(&a), 1);
  EXPECT_EQ(v.AddNeighbor(&a), 0);
  EXPECT_EQ(v.NbVertexNeighbor(), 1);
  v.AddVertexNeighbor(&a);
  EXPECT_EQ(v.CountVertexNeighbor(&a), 2);
  EXPECT_EQ(v.ReplaceVertexNeighbor(&a, &b), 1);
  EXPECT_EQ(v.CountVertexNeighbor(&a), 0);
  EXPECT_EQ(v.CountVertexNeighbor(&b), 1);
  EXPECT_EQ(b.IsNeighbor(&v), 1);
  v.SetNbVertexNeighbor(3);
  EXPECT_EQ(v.FillVertexNeighbor(&b), 0);
  EXPECT_EQ(v.FillVertexNeighbor(&a), 1);
  EXPECT_EQ(v.GetVertexNeighbor(1), &a);
}

TEST(Vertex3d, IsolatedVertexMeasures)
{
  CVertex3d v(1, 2, 3);
  EXPECT_EQ(v.IsOnBoundary(), 0);
  EXPECT_EQ(v.Classify(0.5), 0);
  EXPECT_EQ(v.GetMeanAreaAround(), 0.0);
  EXPECT_EQ(v.GetMeanCompacityAround(), 0.0);
  EXPECT_EQ(v.GetMeanLengthEdgeAround(), 0.0);
  EXPECT_EQ(v.GetMaxCurveAround(), 0.0);
  double unused = -1;
  EXPECT_EQ(v.GetMaxCurveAround(&unused), 0);
  EXPECT_EQ(unused, -1);
}

TEST(Vertex3d, ClassifyAndValenceTarget)
{
  auto triangle = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  EXPECT_EQ(triangle->GetVertex(0)->Classify(0.5), 3);
  EXPECT_EQ(triangle->GetVertex(0)->GetValenceTarget(), 4);  // boundary, valence 2
  auto fan = fixtures::Fan(4);
  EXPECT_EQ(fan->GetVertex(0)->GetValenceTarget(), 8);  // boundary, valence 5
  auto box = std::make_unique<CMesh3d>();
  box->GenerateBox(1, 1, 1);
  box->Rebuild();
  EXPECT_EQ(box->GetVertex(0)->Classify(0.5), 3 /* three sharp edges */);
  auto sphere = fixtures::Icosphere(3);
  EXPECT_EQ(sphere->GetVertex(40)->Classify(0.5), 0);
}

TEST(Vertex3d, CollapseMergesANeighbour)
{
  auto mesh = fixtures::Icosphere(1);
  CVertex3d* keep = mesh->GetVertex(12);
  CVertex3d* gone = keep->GetVertexNeighbor(0);
  ASSERT_EQ(keep->Collapse(gone, 5, 6), 1);
  EXPECT_EQ(gone->GetFlag(), 6);
  EXPECT_EQ(gone->GetMergedInto(), keep);
  EXPECT_EQ(mesh->RemoveFacesWithFlag(5), 2);
  mesh->RemoveVerticesWithFlag(6);
  mesh->Rebuild();
  EXPECT_EQ(fixtures::EulerCharacteristic(*mesh), 2);
  EXPECT_TRUE(fixtures::IsClosed(*mesh));

  auto tetra = fixtures::Tetrahedron();  // third corners of valence 3
  EXPECT_EQ(tetra->GetVertex(0)->Collapse(tetra->GetVertex(1), 5, 6), 0);
  CVertex3d stranger;
  EXPECT_EQ(mesh->GetVertex(0)->Collapse(&stranger, 5, 6), 0);
}

TEST(Vertex3d, HistoryRestoresPositionsAndIsApartFromData)
{
  CVertex3d v(1, 2, 3);
  int scratch = 0;
  v.SetData(&scratch);
  v.PushHistory(new CHistoryAction(CHistoryAction::TYPE_VERTEX_MOVED, 1.0f, 2.0f, 3.0f));
  v.Set(4, 5, 6);
  v.PushHistory(new CHistoryAction(CHistoryAction::TYPE_VERTEX_CREATED));
  v.PushHistory(new CHistoryAction(CHistoryAction::TYPE_VERTEX_MOVED, 4.0f, 5.0f, 6.0f));
  v.Set(7, 8, 9);
  float previous[3];
  v.GetPreviousPosition(previous);
  EXPECT_FLOAT_EQ(previous[0], 4);
  EXPECT_EQ(v.PopHistory(), 1);
  EXPECT_FLOAT_EQ(v.x(), 4);
  EXPECT_EQ(v.PopHistory(), 1);  // creation record: nothing moves
  EXPECT_FLOAT_EQ(v.x(), 4);
  EXPECT_EQ(v.PopHistory(), 1);
  EXPECT_FLOAT_EQ(v.x(), 1);
  EXPECT_FLOAT_EQ(v.z(), 3);
  EXPECT_EQ(v.PopHistory(), 0);
  EXPECT_EQ(v.GetData(), &scratch);
  v.GetPreviousPosition(previous);
  EXPECT_FLOAT_EQ(previous[2], 3);
  // A history left behind is freed with the vertex (checked by the leak sanitizer).
  v.PushHistory(new CHistoryAction(CHistoryAction::TYPE_VERTEX_MOVED, 0.0f, 0.0f, 0.0f));
}

TEST(Vertex3d, SmallQueries)
{
  CVertex3d v(-5, 0.0001f, 2);
  v.ZeroBelow(0.001f);
  EXPECT_FLOAT_EQ(v.x(), 0);
  EXPECT_FLOAT_EQ(v.y(), 0);
  EXPECT_FLOAT_EQ(v.z(), 2);
  v.CopyToSecondSet();
  v.Set(1, 1, 1);
  v.SwapPositions();
  EXPECT_FLOAT_EQ(v.z(), 2);
  EXPECT_FLOAT_EQ(v.z2(), 1);
  EXPECT_EQ(v.FindFace(&v, &v), nullptr);
  v.SetEdgeFlag(&v, 1);
  EXPECT_EQ(v.DecrementEdgeFlagCount(1), 0);
  EXPECT_EQ(v.GetEdgeFlagCount(), 0);
}

TEST(Face3d, DefaultsAndSlots)
{
  CVertex3d a, b, c, d;
  CFace3d f(&a, &b, &c);
  EXPECT_EQ(f.NbFaceNeighbor(), 0);
  EXPECT_EQ(f.v(3), nullptr);
  EXPECT_EQ(f.GetFlag(), 0);
  EXPECT_EQ(f.NbHistory(), 0);
  EXPECT_EQ(f.GetData(), nullptr);
  f.SetVertex(4, &d);
  EXPECT_EQ(f.v(4), &d);
  EXPECT_EQ(f.v(1), &b);
  EXPECT_EQ(f.NbVertex(), 4);
  CFace3d g;
  f.SetF(1, &g);
  EXPECT_EQ(f.f(4), &g);
  CFace3d collapsed(&a, &a, &b);
  EXPECT_EQ(collapsed.IsCollapsed(), 1);
  EXPECT_EQ(collapsed.IsValid(), 0);
}

TEST(Face3d, UpdateVertexReplacesEveryCornerOfTheOldVertex)
{
  // The callers delete the old vertex next: a degenerate face that kept it at one corner
  // would point at a deleted vertex.
  CVertex3d a(0, 0, 0), b(1, 0, 0), c(0, 1, 0), d(0, 0, 1);
  CFace3d degenerate(&a, &a, &b);
  EXPECT_EQ(degenerate.UpdateVertex(&a, &c), 1);
  EXPECT_EQ(degenerate.v(0), &c);
  EXPECT_EQ(degenerate.v(1), &c);
  EXPECT_EQ(degenerate.v(2), &b);
  CFace3d plain(&a, &b, &c);
  EXPECT_EQ(plain.UpdateVertex(&b, &d), 1);
  EXPECT_EQ(plain.v(0), &a);
  EXPECT_EQ(plain.v(1), &d);
  EXPECT_EQ(plain.v(2), &c);
  EXPECT_EQ(plain.UpdateVertex(&b, &d), 0);
}

TEST(Face3d, ShareEdgeIndices)
{
  CVertex3d a, b, c, d, e;
  CFace3d f(&a, &b, &c);
  CFace3d g(&c, &b, &d);
  int i = -1, j = -1;
  ASSERT_EQ(f.ShareEdge(&g, &i, &j), 1);
  EXPECT_EQ(i, 1);  // b-c in f
  EXPECT_EQ(j, 0);  // c-b in g
  CVertex3d* p = nullptr;
  CVertex3d* q = nullptr;
  EXPECT_EQ(f.GetSharedEdge(&g, &p, &q), 1);
  EXPECT_EQ(p, &b);
  EXPECT_EQ(q, &c);
  CFace3d one(&a, &d, &e);
  EXPECT_EQ(f.ShareEdge(&one, &i, &j), 0);
  CFace3d same(&c, &a, &b);
  EXPECT_EQ(f.ShareEdge(&same, &i, &j), 0);
  EXPECT_EQ(f.SharesEdge(nullptr), 0);
}

TEST(Face3d, MeasuresAndNormal)
{
  CVertex3d a(0, 0, 0), b(1, 0, 0), c(0.5f, std::sqrt(3.0f) / 2, 0);
  CFace3d f(&a, &b, &c);
  // 4 pi area / perimeter^2: pi sqrt(3) / 9 for an equilateral triangle.
  EXPECT_NEAR(f.Compacity(), 3.14159265359 * std::sqrt(3.0) / 9, 1e-6);
  EXPECT_NEAR(f.Perimeter(), 3.0, 1e-6);
  EXPECT_NEAR(f.Area(), std::sqrt(3.0) / 4, 1e-6);
  f.CalculateNormal();
  EXPECT_FLOAT_EQ(f.GetNormal()->z(), 1);
  CFace3d flat(&a, &a, &a);
  EXPECT_EQ(flat.Compacity(), 0.0);
  CVertex3d inside(0.5f, 0.2f, 0), outside(2, 2, 0), border(0.5f, 0, 0);
  EXPECT_EQ(f.IsPointInside(&inside), 1);
  EXPECT_EQ(f.IsPointInside(&border), 1);
  EXPECT_EQ(f.IsPointInside(&outside), 0);

  CVector3d u(1, 0, 0), w(-1, 0, 0), zero;
  EXPECT_NEAR(AngleVectors(&u, &w), 3.14159265359, 1e-9);
  EXPECT_EQ(AngleVectors(&u, &zero), 0.0);
  EXPECT_EQ(AbsSinusFaces(&f, nullptr), 0.0);
}

TEST(Face3d, SwapEdgeFlipsAndKeepsAdjacency)
{
  // Every edge index of the flip, including i = 2, whose slots wrap to 0.
  for (int rotation = 0; rotation < 3; rotation++) {
    fixtures::Triangles tris{{0, 1, 2}, {2, 1, 3}};
    std::rotate(tris[0].begin(), tris[0].begin() + rotation, tris[0].end());
    auto mesh = fixtures::Build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, tris);
    CFace3d* f = mesh->GetFace(0);
    CFace3d* g = mesh->GetFace(1);
    ASSERT_EQ(f->SwapEdge(g), 1) << rotation;
    EXPECT_EQ(f->v(3), nullptr);
    EXPECT_EQ(g->v(3), nullptr);
    // The shared edge 1-2 becomes 0-3.
    EXPECT_TRUE(f->HasVertices(mesh->GetVertex(1), mesh->GetVertex(3), mesh->GetVertex(0)));
    EXPECT_TRUE(g->HasVertices(mesh->GetVertex(2), mesh->GetVertex(0), mesh->GetVertex(3)));
    EXPECT_TRUE(mesh->GetVertex(0)->IsNeighbor(mesh->GetVertex(3)));
    EXPECT_FALSE(mesh->GetVertex(1)->IsNeighbor(mesh->GetVertex(2)));
    EXPECT_EQ(f->SharesEdge(g), 1);
    int i = 0;
    ASSERT_EQ(f->IndexOfNeighbor(g, &i), 1);
    EXPECT_TRUE(g->HasVertex(f->v(i)) && g->HasVertex(f->v((i + 1) % 3)));
    EXPECT_EQ(mesh->GetVertex(1)->NbFaceNeighbor(), 1);
    EXPECT_EQ(mesh->GetVertex(0)->NbFaceNeighbor(), 2);
    // A second flip back would reconnect 1 and 2; opposite corners already linked: refused.
    mesh->GetVertex(1)->AddNeighbor(mesh->GetVertex(2));
    EXPECT_EQ(f->SwapEdge(g), 0);
  }
}

TEST(Face3d, HistoryRestoresCorners)
{
  CVertex3d a, b, c, d;
  CFace3d f(&a, &b, &c);
  f.PushHistory(new CHistoryAction(CHistoryAction::TYPE_FACE_CREATED));
  f.PushHistory(new CHistoryAction(CHistoryAction::TYPE_VERTEX_SLOT, 1, &b));
  f.SetVertex(1, &d);
  EXPECT_EQ(f.PopHistory(), 1);
  EXPECT_EQ(f.v(1), &b);
  EXPECT_EQ(f.PopHistory(), 1);
  EXPECT_EQ(f.HasNullVertex(), 1);
  EXPECT_EQ(f.v(0), nullptr);
  EXPECT_EQ(f.PopHistory(), 0);
}

TEST(Edge3d, SameEdgeAndSharpness)
{
  CVertex3d a, b;
  CEdge3d e(&a, &b), r(&b, &a);
  EXPECT_EQ(e.IsSameEdge(&r), 1);
  EXPECT_EQ(e.GetVertexOther(&a), &b);
  EXPECT_EQ(e.IsSharp(0.1), 0);
  EXPECT_EQ(e.GetFlag(), 0);
}

TEST(Vertex3d, RarelyUsedStateReadsItsDefaultsUntilWritten)
{
  CVertex3d v(1, 2, 3);
  // Writing a default to a fresh vertex is the same as not writing it.
  v.Set2(0.0f, 0.0f, 0.0f);
  v.SetOrder(0);
  v.SetValence(0);
  v.SetByteFlag(0);
  v.SetMergedInto(nullptr);
  EXPECT_EQ(v.x2(), 0.0f);
  EXPECT_EQ(v.GetOrder(), 0);
  EXPECT_EQ(v.GetValence(), 0);
  EXPECT_EQ(v.GetByteFlag(), 0);
  EXPECT_EQ(v.GetMergedInto(), nullptr);
  EXPECT_EQ(v.GetEdgeFlagCount(), 0);
  EXPECT_EQ(v.NbEdge(), 0);
  EXPECT_EQ(v.FindEdge(&v), nullptr);
  EXPECT_EQ(v.DecrementEdgeFlagCount(0), 1);
  EXPECT_EQ(v.DecrementEdgeFlagCount(1), 0);
  EXPECT_EQ(v.GetEdgeFlagCount(), 0);

  // Each value is kept apart from the others, and a later default overwrites it.
  CVertex3d w(4, 5, 6);
  v.Set2(1, -2.5f);
  v.SetOrder(7);
  v.SetValence(5);
  v.SetByteFlag(200);
  v.SetMergedInto(&w);
  EXPECT_EQ(v.x2(), 0.0f);
  EXPECT_EQ(v.y2(), -2.5f);
  EXPECT_EQ(v.GetOrder(), 7);
  EXPECT_EQ(v.GetValence(), 5);
  EXPECT_EQ(v.GetByteFlag(), 200);
  EXPECT_EQ(v.GetMergedInto(), &w);
  v.SetOrder(0);
  v.SetMergedInto(nullptr);
  v.Set2(0.0f, 0.0f, 0.0f);
  EXPECT_EQ(v.GetOrder(), 0);
  EXPECT_EQ(v.GetMergedInto(), nullptr);
  EXPECT_EQ(v.y2(), 0.0f);
  EXPECT_EQ(v.GetValence(), 5);
}

TEST(Vertex3d, SwapPositionsWithAnUnwrittenSecondSet)
{
  CVertex3d v(1, 2, 3);
  v.SwapPositions();
  EXPECT_EQ(v.x(), 0.0f);
  EXPECT_EQ(v.z(), 0.0f);
  EXPECT_EQ(v.x2(), 1.0f);
  EXPECT_EQ(v.z2(), 3.0f);
  v.SwapPositions();
  EXPECT_EQ(v.y(), 2.0f);
  EXPECT_EQ(v.y2(), 0.0f);
}

TEST(Vertex3d, EdgesAndTheirFlagCount)
{
  CVertex3d a(0, 0, 0);
  CVertex3d b(1, 0, 0);
  CVertex3d c(0, 1, 0);
  CEdge3d ab(&a, &b);
  CEdge3d ac(&a, &c);
  a.GetArrayEdge()->Add(&ab);
  a.GetArrayEdge()->Add(&ac);
  ASSERT_EQ(a.NbEdge(), 2);
  EXPECT_EQ(a.GetEdge(1), &ac);
  EXPECT_EQ(a.FindEdge(&c), &ac);
  EXPECT_EQ(a.FindEdge(&a), nullptr);
  EXPECT_EQ(a.SetEdgeFlag(&b, 3), 1);
  EXPECT_EQ(a.SetEdgeFlag(&a, 3), 0);
  EXPECT_EQ(a.CountEdgesWithFlag(3), 1);
  EXPECT_EQ(a.GetEdgeFlagCount(), 1);
  EXPECT_EQ(a.DecrementEdgeFlagCount(1), 1);
  EXPECT_EQ(a.GetEdgeFlagCount(), 0);
  EXPECT_EQ(a.CountEdgesWithFlag(0), 1);
  a.GetArrayEdge()->RemoveAll();  // the edges are owned here, not by the vertex
}

TEST(Face3d, SecondNormalAndRibbonKeepTheirValues)
{
  CVertex3d a(0, 0, 0);
  CVertex3d b(1, 0, 0);
  CVertex3d c(0, 1, 0);
  CFace3d f(&a, &b, &c);
  EXPECT_EQ(f.GetRibbon(), 0);
  f.SetRibbon(0);
  EXPECT_EQ(f.GetRibbon(), 0);
  EXPECT_EQ(f.IsRibbonDifferent(), 0);
  f.SetRibbon(4);
  EXPECT_EQ(f.GetRibbon(), 4);
  EXPECT_EQ(f.IsRibbonDifferent(), 1);
  f.SetRibbon(0);
  EXPECT_EQ(f.GetRibbon(), 0);
  // The second normal comes from the second positions: a right triangle of legs 2 and 3 in
  // the xy plane, turned counter-clockwise, has the normal (0, 0, 6).
  EXPECT_EQ(f.GetAltNormal()->GetSquareNorm(), 0.0);
  a.Set2(1, 1, 0);
  b.Set2(3, 1, 0);
  c.Set2(1, 4, 0);
  f.CalculateAltNormal();
  EXPECT_EQ(f.GetAltNormal()->x(), 0.0f);
  EXPECT_EQ(f.GetAltNormal()->y(), 0.0f);
  EXPECT_EQ(f.GetAltNormal()->z(), 6.0f);
  EXPECT_EQ(f.GetNormal()->GetSquareNorm(), 0.0);
}

TEST(History, RecordsComeOffLastFirstAndTheCountFollows)
{
  CHistory history;
  EXPECT_TRUE(history.IsEmpty());
  EXPECT_EQ(history.Pop(), nullptr);
  EXPECT_EQ(history.GetLast(), nullptr);
  CVertex3d a(0, 0, 0);
  auto* first = new CHistoryAction(CHistoryAction::TYPE_VERTEX_MOVED, 1.0f, 2.0f, 3.0f);
  auto* second = new CHistoryAction(CHistoryAction::TYPE_VERTEX_SLOT, 2, &a);
  auto* third = new CHistoryAction(CHistoryAction::TYPE_FACE_CREATED);
  history.Push(first);
  history.Push(second);
  EXPECT_EQ(history.GetSize(), 2);
  EXPECT_EQ(history.GetLast(), second);
  auto popped = history.Pop();
  EXPECT_EQ(popped.get(), second);
  EXPECT_EQ(popped->GetVertex(), &a);
  EXPECT_EQ(popped->GetSlot(), 2);
  EXPECT_EQ(history.GetSize(), 1);
  // A record taken off can be pushed again, on another history too.
  history.Push(third);
  history.Push(popped.release());
  EXPECT_EQ(history.GetSize(), 3);
  EXPECT_EQ(history.Pop().get(), second);
  EXPECT_EQ(history.Pop().get(), third);
  auto last = history.Pop();
  EXPECT_EQ(last.get(), first);
  EXPECT_EQ(last->GetY(), 2.0f);
  EXPECT_TRUE(history.IsEmpty());
  // What is left at the end is freed with the history (the leak checker watches).
  history.Push(last.release());
  history.Push(new CHistoryAction(CHistoryAction::TYPE_VERTEX_CREATED));
  EXPECT_EQ(history.GetSize(), 2);
  history.Clear();
  EXPECT_EQ(history.GetSize(), 0);
  history.Push(new CHistoryAction(CHistoryAction::TYPE_VERTEX_CREATED));
}
