// The arithmetic of constraint layout, free of window state: edge constraints
// become linear equations in 16.16 fixed point over the edges of the children,
// which are ordered so that each is evaluated after its inputs.
#pragma once

#include "framework/layout/layoutmetrics.h"

#include <cstdint>
#include <functional>
#include <list>
#include <memory>

// Signed fixed-point number with 16 fraction bits.
using TFixed = int32_t;
constexpr TFixed FixedOne = 0x10000;

class TConstraint;

struct TLayoutVariable {
  int Value = 0;                        // pixels
  TConstraint* DeterminedBy = nullptr;  // null: an input of the plan
  bool Resolved = false;                // used while planning
};

// Output = (Constant + sum of Coefficients[i] * Inputs[i]) >> 16.
class TConstraint {
public:
  TLayoutVariable* Inputs[3] = {};  // filled from index 0
  TLayoutVariable* Output = nullptr;
  TFixed Coefficients[3] = {FixedOne, FixedOne, FixedOne};
  TFixed Constant = 0;

  int NumInputs() const;
  int IndexOf(const TLayoutVariable* variable) const;  // -1 when not an input
  void AddInput(TLayoutVariable* variable, TFixed coefficient);
  void RemoveInput(int index);
  bool InputsResolved() const;
  int Evaluate() const;
};

// Indices of a child's (or the layout window's) edge variables.
enum TEdgeVariable { evLeft = 0, evTop = 1, evRight = 2, evBottom = 3 };

// The child's creation position and size, which AsIs keeps.
struct TChildGeometry {
  int X = 0, Y = 0, W = 0, H = 0;
};

struct TChildMetrics {
  TChildMetrics(TWindow* child, const TLayoutMetrics& metrics) : Child(child), Metrics(metrics) {}

  bool Generated = false;  // its constraints exist
  TWindow* Child;
  TLayoutMetrics Metrics;
  TLayoutVariable Variables[4];  // Left, Top, Right, Bottom; inclusive, in parent client coordinates
};

class TLayoutSolver {
public:
  enum TResult : unsigned {
    Solved = 0,
    UnknownRelativeWindow,  // a relative window without metrics
    NoPlan,                 // a cycle, or an input nothing determines
  };
  using TGeometrySource = std::function<TChildGeometry(TWindow* child)>;

  TLayoutSolver();
  TLayoutSolver(const TLayoutSolver&) = delete;
  TLayoutSolver& operator=(const TLayoutSolver&) = delete;

  void SetMetrics(TWindow* child, const TLayoutMetrics& metrics);
  bool GetMetrics(TWindow* child, TLayoutMetrics& metrics) const;
  // Removes the child's record and re-aims the records that referred to it.
  bool RemoveMetrics(TWindow* child);
  bool Empty() const { return Records.empty(); }
  int NumChildMetrics() const { return static_cast<int>(Records.size()); }

  // Solves for a layout window whose own edges (inclusive) are given; the
  // plan is rebuilt first when metrics changed. On failure the plan stays
  // dirty, so every later call reports the failure again until metrics change.
  TResult Solve(int left, int top, int right, int bottom, int fontHeight, const TGeometrySource& geometry);

  // The records, newest first, with the solved edges.
  const std::list<TChildMetrics>& GetRecords() const { return Records; }
  std::size_t NumPlanned() const { return Plan.size(); }
  std::size_t NumUnplanned() const { return Constraints.size(); }

  // A value in the given units as pixels.
  int ToPixels(int value, TMeasurementUnits units) const;

private:
  TChildMetrics* FindRecord(TWindow* child);
  void RemoveConstraints(TChildMetrics& record);
  TResult Generate(TChildMetrics& record, const TChildGeometry& geometry);
  TResult AddConstraint(TChildMetrics& record, int slot, const TChildGeometry& geometry);
  static TLayoutVariable* SlotOutput(TChildMetrics& record, int slot);
  TResult AddOtherWindowInputs(TConstraint& k, const TEdgeConstraint& c, int slot);
  void AddRelationship(TConstraint& k, const TEdgeConstraint& c, int slot, const TChildGeometry& geometry) const;
  static TLayoutVariable* SolveCentreForEdge(TConstraint& k, TChildMetrics& record, int slot, TLayoutVariable* output);
  static TLayoutVariable* SolveSizeForEdge(TConstraint& k, TChildMetrics& record, int slot, TLayoutVariable* output,
                                           bool& substitute);
  static void Substitute(TConstraint* previous, const TConstraint& added);
  bool BuildPlan();

  using TConstraintList = std::list<std::unique_ptr<TConstraint>>;
  std::list<TChildMetrics> Records;
  TConstraintList Constraints;  // not yet planned; new ones at the front
  TConstraintList Plan;         // in evaluation order
  TLayoutVariable OwnVariables[4];
  bool PlanIsDirty = false;
  int FontHeight = 0;
};
