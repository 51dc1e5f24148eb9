// The constraint arithmetic on its own: child windows are opaque keys here.
#include "framework/layout/layoutsolver.h"

#include <gtest/gtest.h>

namespace {

// Distinct keys that are never dereferenced.
char Keys[4];
TWindow* const A = reinterpret_cast<TWindow*>(&Keys[0]);
TWindow* const B = reinterpret_cast<TWindow*>(&Keys[1]);
TWindow* const C = reinterpret_cast<TWindow*>(&Keys[2]);

struct TPlaced {
  int Left, Top, Right, Bottom;
  bool operator==(const TPlaced& o) const
  {
    return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
  }
};

void PrintTo(const TPlaced& p, std::ostream* os)
{
  *os << "(" << p.Left << "," << p.Top << ")-(" << p.Right << "," << p.Bottom << ")";
}

class LayoutSolverTest : public testing::Test {
protected:
  TLayoutSolver Solver;
  TChildGeometry Geometry{5, 6, 30, 20};  // every child's creation values

  TLayoutSolver::TResult Solve(int right, int bottom, int left = 0, int top = 0, int fontHeight = 16)
  {
    return Solver.Solve(left, top, right, bottom, fontHeight, [this](TWindow*) { return Geometry; });
  }

  TPlaced Placed(TWindow* child) const
  {
    for (const TChildMetrics& record : Solver.GetRecords())
      if (record.Child == child) {
        const TLayoutVariable* v = record.Variables;
        return {v[evLeft].Value, v[evTop].Value, v[evRight].Value, v[evBottom].Value};
      }
    ADD_FAILURE() << "no record";
    return {};
  }

  static TLayoutMetrics Filling(TWindow* relWin = nullptr)
  {
    TLayoutMetrics m;
    m.X.SameAs(relWin, TEdge::Left);
    m.Y.SameAs(relWin, TEdge::Top);
    m.Width.SameAs(relWin, TEdge::Right);
    m.Height.SameAs(relWin, TEdge::Bottom);
    return m;
  }

  // A bar of the creation height hung below relWin's bottom (or the parent's top).
  static TLayoutMetrics TopBar(TWindow* relWin, TRelationship relation = TRelationship::SameAs)
  {
    TLayoutMetrics m;
    m.X.SameAs(nullptr, TEdge::Left);
    m.Width.SameAs(nullptr, TEdge::Right);
    m.Y.Set(TEdge::Top, relation, relWin, relWin ? TEdge::Bottom : TEdge::Top);
    m.Height.AsIs(TEdge::Height);
    return m;
  }
};

TEST_F(LayoutSolverTest, DefaultMetricsKeepTheCreationGeometryAndSameAsCoversTheArea)
{
  Solver.SetMetrics(A, TLayoutMetrics());
  Solver.SetMetrics(B, Filling());
  ASSERT_EQ(Solve(199, 99, -1, -1), TLayoutSolver::Solved);
  EXPECT_EQ(Placed(A), (TPlaced{5, 6, 34, 25}));
  EXPECT_EQ(Placed(B), (TPlaced{-1, -1, 199, 99}));
}

TEST_F(LayoutSolverTest, BelowLeavesOnePixelWhereSameAsSharesIt)
{
  Solver.SetMetrics(A, TopBar(nullptr));
  Solver.SetMetrics(B, TopBar(A, TRelationship::SameAs));
  Solver.SetMetrics(C, TopBar(A, TRelationship::Below));
  ASSERT_EQ(Solve(199, 99), TLayoutSolver::Solved);
  EXPECT_EQ(Placed(A), (TPlaced{0, 0, 199, 19}));
  EXPECT_EQ(Placed(B).Top, 19);
  EXPECT_EQ(Placed(C).Top, 20);
  EXPECT_EQ(Placed(C).Bottom, 39);

  // Margins are layout units (eighths of the font height, rounded) unless in pixels.
  TLayoutMetrics below = TopBar(A, TRelationship::Below);
  below.Y.Value = 3;
  Solver.SetMetrics(C, below);
  ASSERT_EQ(Solve(199, 99, 0, 0, 16), TLayoutSolver::Solved);
  EXPECT_EQ(Placed(C).Top, 20 + 6);
  below.Y.Units = TMeasurementUnits::Pixels;
  Solver.SetMetrics(C, below);
  ASSERT_EQ(Solve(199, 99, 0, 0, 16), TLayoutSolver::Solved);
  EXPECT_EQ(Placed(C).Top, 20 + 3);
  EXPECT_EQ(Solver.ToPixels(-3, TMeasurementUnits::LayoutUnits), -5);  // truncated toward zero
}

TEST_F(LayoutSolverTest, PercentOfWorksInEightBitPrecision)
{
  TLayoutMetrics m = Filling();
  m.Width.PercentOf(nullptr, TEdge::Width, 50);
  Solver.SetMetrics(A, m);
  ASSERT_EQ(Solve(200, 99), TLayoutSolver::Solved);  // 201 pixels wide
  EXPECT_EQ(Placed(A).Right - Placed(A).Left + 1, 100);

  // 33% is 84/256 in 8.8: 300 pixels give 98, not 99.
  m.Width.Value = 33;
  Solver.SetMetrics(A, m);
  ASSERT_EQ(Solve(299, 99), TLayoutSolver::Solved);
  EXPECT_EQ(Placed(A).Right - Placed(A).Left + 1, 98);
}

TEST_F(LayoutSolverTest, CentreAndAbsoluteWidthCentreAChild)
{
  TLayoutMetrics m;
  m.X.Set(TEdge::Center, TRelationship::SameAs, nullptr, TEdge::Center);
  m.Width.Absolute(TEdge::Width, 100);
  m.Width.Units = TMeasurementUnits::Pixels;
  m.Y.Set(TEdge::Center, TRelationship::SameAs, nullptr, TEdge::Center);
  m.Height.Absolute(TEdge::Height, 40);
  m.Height.Units = TMeasurementUnits::Pixels;
  Solver.SetMetrics(A, m);
  ASSERT_EQ(Solve(199, 99), TLayoutSolver::Solved);
  EXPECT_EQ(Placed(A), (TPlaced{50, 30, 149, 69}));
  ASSERT_EQ(Solve(399, 299), TLayoutSolver::Solved);  // the plan is reused
  EXPECT_EQ(Placed(A), (TPlaced{150, 130, 249, 169}));
}

TEST_F(LayoutSolverTest, LeftEdgeOnItsOwnRightEdgeFailsToPlanInsteadOfDividingByZero)
{
  // left = right and right = left + 99 have no solution.
  TLayoutMetrics m = Filling();
  m.X.Set(TEdge::Left, TRelationship::SameAs, A, TEdge::Right);
  m.Width.Absolute(TEdge::Width, 100);
  Solver.SetMetrics(A, m);
  EXPECT_EQ(Solve(199, 99), TLayoutSolver::NoPlan);
}

TEST_F(LayoutSolverTest, BottomAndRightEdgesHangOnTheFarSide)
{
  TLayoutMetrics bottom;
  bottom.X.SameAs(nullptr, TEdge::Left);
  bottom.Width.SameAs(nullptr, TEdge::Right);
  bottom.Y.SameAs(nullptr, TEdge::Bottom);
  bottom.Height.AsIs(TEdge::Height);
  TLayoutMetrics right;
  right.X.SameAs(nullptr, TEdge::Right);
  right.Width.AsIs(TEdge::Width);
  right.Y.SameAs(nullptr, TEdge::Top);
  right.Height.Set(TEdge::Bottom, TRelationship::Above, B, TEdge::Top);
  Solver.SetMetrics(B, bottom);
  Solver.SetMetrics(C, right);
  ASSERT_EQ(Solve(199, 99), TLayoutSolver::Solved);
  EXPECT_EQ(Placed(B), (TPlaced{0, 80, 199, 99}));
  EXPECT_EQ(Placed(C), (TPlaced{170, 0, 199, 79}));
}

TEST_F(LayoutSolverTest, MutualConstraintsFailToPlanAndRecoverWhenOneIsRemoved)
{
  TLayoutMetrics a = TopBar(B);
  TLayoutMetrics b = TopBar(A);
  Solver.SetMetrics(A, a);
  Solver.SetMetrics(B, b);
  Solver.SetMetrics(C, Filling());
  EXPECT_EQ(Solve(199, 99), TLayoutSolver::NoPlan);
  // The planned part and the rest are both still held, and the failure repeats.
  EXPECT_GT(Solver.NumPlanned(), 0u);
  EXPECT_GT(Solver.NumUnplanned(), 0u);
  EXPECT_EQ(Solve(199, 99), TLayoutSolver::NoPlan);

  // Removing A re-hangs B where A hung: on B itself, still a cycle; re-aim it.
  ASSERT_TRUE(Solver.RemoveMetrics(A));
  Solver.SetMetrics(B, TopBar(nullptr));
  ASSERT_EQ(Solve(199, 99), TLayoutSolver::Solved);
  EXPECT_EQ(Placed(B), (TPlaced{0, 0, 199, 19}));
  EXPECT_EQ(Solver.NumUnplanned(), 0u);
  EXPECT_FALSE(Solver.RemoveMetrics(A));
}

TEST_F(LayoutSolverTest, UnknownRelativeWindowFailsUntilItGetsMetrics)
{
  Solver.SetMetrics(B, TopBar(A));
  EXPECT_EQ(Solve(199, 99), TLayoutSolver::UnknownRelativeWindow);
  EXPECT_EQ(Solve(199, 99), TLayoutSolver::UnknownRelativeWindow);
  Solver.SetMetrics(A, TopBar(nullptr));
  ASSERT_EQ(Solve(199, 99), TLayoutSolver::Solved);
  EXPECT_EQ(Placed(B).Top, 19);
}

TEST_F(LayoutSolverTest, RemovingAChildReAimsTheRecordsThatReferredToIt)
{
  // Two stacked top bars and a client below them; C also takes B's width.
  Solver.SetMetrics(A, TopBar(nullptr));
  Solver.SetMetrics(B, TopBar(A));
  TLayoutMetrics client = Filling();
  client.Y.Set(TEdge::Top, TRelationship::Below, B, TEdge::Bottom);
  client.Width.Set(TEdge::Width, TRelationship::SameAs, B, TEdge::Width);
  Solver.SetMetrics(C, client);
  ASSERT_EQ(Solve(199, 99), TLayoutSolver::Solved);
  EXPECT_EQ(Placed(C), (TPlaced{0, 39, 199, 99}));

  ASSERT_TRUE(Solver.RemoveMetrics(B));
  ASSERT_EQ(Solve(199, 99), TLayoutSolver::Solved);
  // Now below A, and the width taken from B became C's own creation width.
  EXPECT_EQ(Placed(C), (TPlaced{0, 20, 29, 99}));
  TLayoutMetrics m;
  ASSERT_TRUE(Solver.GetMetrics(C, m));
  EXPECT_EQ(m.Y.RelWin, A);
  EXPECT_EQ(m.Width.Relationship, TRelationship::AsIs);

  // Removing A too hangs C on the parent's top edge, where A hung.
  ASSERT_TRUE(Solver.RemoveMetrics(A));
  ASSERT_EQ(Solve(199, 99), TLayoutSolver::Solved);
  EXPECT_EQ(Placed(C).Top, 1);
  ASSERT_TRUE(Solver.GetMetrics(C, m));
  EXPECT_EQ(m.Y.RelWin, nullptr);
  EXPECT_EQ(m.Y.OtherEdge, TEdge::Top);
  EXPECT_EQ(Solver.NumChildMetrics(), 1);
}

}  // namespace
