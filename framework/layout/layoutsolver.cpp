#include "framework/layout/layoutsolver.h"

#include <algorithm>
#include <iterator>

namespace {

TFixed ToFixed(int value)
{
  return static_cast<TFixed>(static_cast<int64_t>(value) * FixedOne);
}

// The product of two 16.16 numbers, each first cut to 8 fraction bits.
TFixed Product(TFixed a, TFixed b)
{
  return (a >> 8) * (b >> 8);
}

bool IsHorizontal(int slot)
{
  return slot == 0 || slot == 2;
}

}  // namespace

// ---------------------------------------------------------------- constraint

int TConstraint::NumInputs() const
{
  int n = 0;
  while (n < 3 && Inputs[n])
    ++n;
  return n;
}

int TConstraint::IndexOf(const TLayoutVariable* variable) const
{
  for (int i = 0; i < 3 && Inputs[i]; ++i)
    if (Inputs[i] == variable)
      return i;
  return -1;
}

void TConstraint::AddInput(TLayoutVariable* variable, TFixed coefficient)
{
  const int n = NumInputs();
  Inputs[n] = variable;
  Coefficients[n] = coefficient;
}

void TConstraint::RemoveInput(int index)
{
  for (int i = index; i < 2; ++i) {
    Inputs[i] = Inputs[i + 1];
    Coefficients[i] = Coefficients[i + 1];
  }
  Inputs[2] = nullptr;
  Coefficients[2] = FixedOne;
}

bool TConstraint::InputsResolved() const
{
  for (int i = 0; i < 3 && Inputs[i]; ++i)
    if (!Inputs[i]->Resolved)
      return false;
  return true;
}

int TConstraint::Evaluate() const
{
  int64_t sum = Constant;
  for (int i = 0; i < 3 && Inputs[i]; ++i)
    sum += static_cast<int64_t>(Coefficients[i]) * Inputs[i]->Value;
  return static_cast<int>(sum >> 16);
}

// -------------------------------------------------------------------- records

TLayoutSolver::TLayoutSolver()
{
  for (TLayoutVariable& own : OwnVariables)
    own.Resolved = true;
}

TChildMetrics* TLayoutSolver::FindRecord(TWindow* child)
{
  for (TChildMetrics& record : Records)
    if (record.Child == child)
      return &record;
  return nullptr;
}

void TLayoutSolver::SetMetrics(TWindow* child, const TLayoutMetrics& metrics)
{
  PlanIsDirty = true;
  if (TChildMetrics* record = FindRecord(child)) {
    record->Metrics = metrics;
    RemoveConstraints(*record);
  } else {
    Records.emplace_front(child, metrics);
  }
}

bool TLayoutSolver::GetMetrics(TWindow* child, TLayoutMetrics& metrics) const
{
  for (const TChildMetrics& record : Records) {
    if (record.Child == child) {
      metrics = record.Metrics;
      return true;
    }
  }
  return false;
}

void TLayoutSolver::RemoveConstraints(TChildMetrics& record)
{
  PlanIsDirty = true;
  Constraints.splice(Constraints.end(), Plan);
  record.Generated = false;
  TLayoutVariable* const first = record.Variables;
  TLayoutVariable* const last = record.Variables + 4;
  // Every constraint whose output is one of the record's edges goes, even one
  // whose output a later constraint of the same record took over.
  Constraints.remove_if([&](const std::unique_ptr<TConstraint>& k) { return k->Output >= first && k->Output < last; });
  for (TLayoutVariable& variable : record.Variables) {
    variable.Value = 0;
    variable.DeterminedBy = nullptr;
  }
}

bool TLayoutSolver::RemoveMetrics(TWindow* child)
{
  auto removedAt = std::find_if(Records.begin(), Records.end(),
                                [&](const TChildMetrics& record) { return record.Child == child; });
  if (removedAt == Records.end())
    return false;
  RemoveConstraints(*removedAt);
  const TLayoutMetrics removed = removedAt->Metrics;

  for (TChildMetrics& record : Records) {
    if (&record == &*removedAt)
      continue;
    TLayoutMetrics& m = record.Metrics;
    // A position hung on the removed child now hangs where the removed child hung.
    for (int slot = 0; slot < 2; ++slot) {
      TEdgeConstraint& edge = m.Slot(slot);
      if (edge.RelWin != child)
        continue;
      RemoveConstraints(record);
      edge.RelWin = removed.Slot(slot).RelWin;
      if (!edge.RelWin)
        edge.OtherEdge = removed.Slot(slot).OtherEdge;
    }
    // A size taken from the removed child becomes the child's own size; a far
    // edge hung on it follows what the removed child's far edge depended on.
    for (int slot = 2; slot < 4; ++slot) {
      TEdgeConstraint& edge = m.Slot(slot);
      if (edge.RelWin != child)
        continue;
      RemoveConstraints(record);
      const TEdge sizeEdge = slot == 2 ? TEdge::Width : TEdge::Height;
      if (edge.MyEdge == sizeEdge) {
        edge.Relationship = TRelationship::AsIs;
        continue;
      }
      const TEdgeConstraint& source = removed.Slot(slot).MyEdge == sizeEdge ? removed.Slot(slot - 2)
                                                                            : removed.Slot(slot);
      edge.RelWin = source.RelWin;
      if (!edge.RelWin)
        edge.OtherEdge = source.OtherEdge;
    }
  }
  Records.erase(removedAt);
  return true;
}

// -------------------------------------------------------------- generation

int TLayoutSolver::ToPixels(int value, TMeasurementUnits units) const
{
  return units == TMeasurementUnits::LayoutUnits ? (value * FontHeight + 4) / 8 : value;
}

TLayoutSolver::TResult TLayoutSolver::Generate(TChildMetrics& record, const TChildGeometry& g)
{
  record.Generated = true;
  const TLayoutMetrics& m = record.Metrics;
  TLayoutVariable* v = record.Variables;

  // Positions: AsIs and Absolute edges are values, everything else an equation.
  for (int slot = 0; slot < 2; ++slot) {
    const TEdgeConstraint& c = m.Slot(slot);
    const TEdge nearEdge = slot == 0 ? TEdge::Left : TEdge::Top;
    TLayoutVariable& nearVar = v[slot == 0 ? evLeft : evTop];
    TLayoutVariable& farVar = v[slot == 0 ? evRight : evBottom];
    const int origin = slot == 0 ? g.X : g.Y;
    const int extent = slot == 0 ? g.W : g.H;
    if (c.Relationship == TRelationship::AsIs) {
      (c.MyEdge == nearEdge ? nearVar : farVar).Value = c.MyEdge == nearEdge ? origin : origin + extent - 1;
    } else if (c.Relationship == TRelationship::Absolute && c.MyEdge != TEdge::Center) {
      (c.MyEdge == nearEdge ? nearVar : farVar).Value = ToPixels(c.Value, c.Units);
    } else if (TResult failed = AddConstraint(record, slot, g)) {
      return failed;
    }
  }
  // Sizes: a far edge given directly is a value, everything else an equation.
  for (int slot = 2; slot < 4; ++slot) {
    const TEdgeConstraint& c = m.Slot(slot);
    const TEdge farEdge = slot == 2 ? TEdge::Right : TEdge::Bottom;
    TLayoutVariable& farVar = v[slot == 2 ? evRight : evBottom];
    if (c.MyEdge == farEdge && c.Relationship == TRelationship::AsIs)
      farVar.Value = slot == 2 ? g.X + g.W - 1 : g.Y + g.H - 1;
    else if (c.MyEdge == farEdge && c.Relationship == TRelationship::Absolute)
      farVar.Value = ToPixels(c.Value, c.Units);
    else if (TResult failed = AddConstraint(record, slot, g))
      return failed;
  }
  return Solved;
}

TLayoutSolver::TResult TLayoutSolver::AddConstraint(TChildMetrics& record, int slot, const TChildGeometry& g)
{
  const TEdgeConstraint& c = record.Metrics.Slot(slot);
  auto k = std::make_unique<TConstraint>();
  if (c.Relationship != TRelationship::AsIs && c.Relationship != TRelationship::Absolute) {
    if (TResult failed = AddOtherWindowInputs(*k, c, slot))
      return failed;
  }
  AddRelationship(*k, c, slot, g);

  // The equation gives the constrained edge, centre or size: turned into one
  // for an edge variable of the child.
  TLayoutVariable* output = SlotOutput(record, slot);
  bool substitute = false;
  if (c.MyEdge == TEdge::Center)
    output = SolveCentreForEdge(*k, record, slot, output);
  else if (c.MyEdge == TEdge::Width || c.MyEdge == TEdge::Height)
    output = SolveSizeForEdge(*k, record, slot, output, substitute);

  k->Output = output;
  if (substitute) {
    const bool horizontal = c.MyEdge == TEdge::Width;
    Substitute(record.Variables[horizontal ? evLeft : evTop].DeterminedBy, *k);
  }
  output->DeterminedBy = k.get();
  Constraints.push_front(std::move(k));
  return Solved;
}

// The edge variable a constraint in slot gives: the slot's own, or the far
// edge a position constraint names.
TLayoutVariable* TLayoutSolver::SlotOutput(TChildMetrics& record, int slot)
{
  const TEdge myEdge = record.Metrics.Slot(slot).MyEdge;
  TLayoutVariable* v = record.Variables;
  if (slot == 0 && myEdge == TEdge::Right)
    return &v[evRight];
  if (slot == 1 && myEdge == TEdge::Bottom)
    return &v[evBottom];
  return &v[slot];
}

// Inputs: the other window's edge, centre or size.
TLayoutSolver::TResult TLayoutSolver::AddOtherWindowInputs(TConstraint& k, const TEdgeConstraint& c, int slot)
{
  TLayoutVariable* other = OwnVariables;
  if (c.RelWin) {
    TChildMetrics* relative = FindRecord(c.RelWin);
    if (!relative)
      return UnknownRelativeWindow;
    other = relative->Variables;
  }
  switch (c.OtherEdge) {
  case TEdge::Center:
    k.AddInput(&other[IsHorizontal(slot) ? evLeft : evTop], FixedOne / 2);
    k.AddInput(&other[IsHorizontal(slot) ? evRight : evBottom], FixedOne / 2);
    break;
  case TEdge::Width:
  case TEdge::Height: {
    const bool horizontal = c.OtherEdge == TEdge::Width;
    k.AddInput(&other[horizontal ? evRight : evBottom], FixedOne);
    k.AddInput(&other[horizontal ? evLeft : evTop], -FixedOne);
    k.Constant = FixedOne;
    break;
  }
  default:
    k.AddInput(&other[static_cast<int>(c.OtherEdge)], FixedOne);
    break;
  }
  return Solved;
}

// The relationship to the inputs: the child's own size, a percentage of
// them, or a margin from them.
void TLayoutSolver::AddRelationship(TConstraint& k, const TEdgeConstraint& c, int slot, const TChildGeometry& g) const
{
  switch (c.Relationship) {
  case TRelationship::AsIs:
    k.Constant += ToFixed(slot == 2 ? g.W : g.H);
    break;
  case TRelationship::PercentOf: {
    const TFixed percent = ((c.Value * FixedOne) / 100) >> 8;  // 8.8
    k.Coefficients[0] = (k.Coefficients[0] >> 8) * percent;
    k.Constant = (k.Constant >> 8) * percent;
    if (c.OtherEdge == TEdge::Center || c.OtherEdge == TEdge::Width || c.OtherEdge == TEdge::Height)
      k.Coefficients[1] = (k.Coefficients[1] >> 8) * percent;
    break;
  }
  default: {
    int margin = ToPixels(c.Value, c.Units);
    if (c.Relationship == TRelationship::LeftOf)
      margin = -1 - margin;  // the pixel before the other edge
    else if (c.Relationship == TRelationship::RightOf)
      margin = margin + 1;  // the pixel after it
    k.Constant += ToFixed(margin);
    break;
  }
  }
}

// The constraint gives the centre: edge = 2 * centre - opposite edge.
// Returns the edge it now gives.
TLayoutVariable* TLayoutSolver::SolveCentreForEdge(TConstraint& k, TChildMetrics& record, int slot,
                                                   TLayoutVariable* output)
{
  const TLayoutMetrics& m = record.Metrics;
  TLayoutVariable* v = record.Variables;
  TLayoutVariable* opposite;
  if (slot == 0) {
    opposite = &v[evRight];
  } else if (slot == 1) {
    opposite = &v[evBottom];
  } else if (slot == 2) {
    opposite = m.X.MyEdge == TEdge::Right ? &v[evRight] : &v[evLeft];
    if (m.X.MyEdge == TEdge::Right)
      output = &v[evLeft];
  } else {
    opposite = m.Y.MyEdge == TEdge::Bottom ? &v[evBottom] : &v[evTop];
    if (m.Y.MyEdge == TEdge::Bottom)
      output = &v[evTop];
  }
  const int n = k.NumInputs();
  for (int i = 0; i < n; ++i)
    k.Coefficients[i] *= 2;
  k.Constant *= 2;
  k.AddInput(opposite, -FixedOne);
  return output;
}

// The constraint gives the size: near = far - size + 1 where the far edge is
// known, else far = near + size - 1, which is to be substituted into the
// near edge's equation. Returns the edge it now gives.
TLayoutVariable* TLayoutSolver::SolveSizeForEdge(TConstraint& k, TChildMetrics& record, int slot,
                                                 TLayoutVariable* output, bool& substitute)
{
  const TLayoutMetrics& m = record.Metrics;
  TLayoutVariable* v = record.Variables;
  const bool horizontal = m.Slot(slot).MyEdge == TEdge::Width;
  const bool farKnown = horizontal ? slot == 0 || m.X.MyEdge == TEdge::Right : slot == 1 || m.Y.MyEdge == TEdge::Bottom;
  if (!farKnown) {
    k.AddInput(&v[horizontal ? evLeft : evTop], FixedOne);
    k.Constant -= FixedOne;
    substitute = true;
    return output;
  }
  const int n = k.NumInputs();
  for (int i = 0; i < n; ++i)
    k.Coefficients[i] = -k.Coefficients[i];
  k.Constant = -k.Constant + FixedOne;
  k.AddInput(&v[horizontal ? evRight : evBottom], FixedOne);
  if (slot == 2 && horizontal)
    return &v[evLeft];
  if (slot == 3 && !horizontal)
    return &v[evTop];
  return output;
}

// Removes the two-variable cycle "near from centre and far" + "far from near
// and size": the far edge's equation is put into the near edge's, so that the
// near edge no longer depends on the far one.
void TLayoutSolver::Substitute(TConstraint* previous, const TConstraint& added)
{
  TConstraint* p = previous;
  if (!p)
    return;
  const int farIndex = p->IndexOf(added.Output);
  if (farIndex < 0 || added.IndexOf(p->Output) < 0)
    return;
  const TFixed q = p->Coefficients[farIndex];
  const TFixed divisor = (FixedOne - q) >> 8;
  if (divisor == 0)
    return;  // near = far + c with far = near + d has no solution; planning reports it

  int newInputs = 0;
  for (int i = 0; i < added.NumInputs(); ++i)
    if (p->IndexOf(added.Inputs[i]) < 0 && added.Inputs[i] != p->Output)
      ++newInputs;
  if (newInputs + p->NumInputs() - 1 >= 4)
    return;

  p->Constant += Product(q, added.Constant);
  for (int i = 0; i < added.NumInputs(); ++i) {
    const int j = p->IndexOf(added.Inputs[i]);
    if (j >= 0)
      p->Coefficients[j] += Product(q, added.Coefficients[i]);
  }
  p->RemoveInput(farIndex);
  for (int i = 0; i < added.NumInputs(); ++i)
    if (p->IndexOf(added.Inputs[i]) < 0 && added.Inputs[i] != p->Output)
      p->AddInput(added.Inputs[i], Product(q, added.Coefficients[i]));
  // The added equation's term on the near edge (always 1.0) moves to the left
  // side: near * (1 - q) = rest.
  p->Constant = (p->Constant / divisor) * 256;
  for (int i = 0; i < p->NumInputs(); ++i)
    p->Coefficients[i] = (p->Coefficients[i] / divisor) * 256;
}

// ------------------------------------------------------------------ planning

bool TLayoutSolver::BuildPlan()
{
  Constraints.splice(Constraints.end(), Plan);
  for (TChildMetrics& record : Records)
    for (TLayoutVariable& variable : record.Variables)
      variable.Resolved = variable.DeterminedBy == nullptr;

  // Passes in list order; an output counts as resolved at once, so later
  // constraints of the same pass may use it.
  for (bool moved = true; moved;) {
    moved = false;
    for (auto it = Constraints.begin(); it != Constraints.end();) {
      auto next = std::next(it);
      if ((*it)->InputsResolved()) {
        (*it)->Output->Resolved = true;
        Plan.splice(Plan.end(), Constraints, it);
        moved = true;
      }
      it = next;
    }
  }
  return Constraints.empty();
}

TLayoutSolver::TResult TLayoutSolver::Solve(int left, int top, int right, int bottom, int fontHeight,
                                            const TGeometrySource& geometry)
{
  if (Records.empty())
    return Solved;
  FontHeight = fontHeight;
  OwnVariables[evLeft].Value = left;
  OwnVariables[evTop].Value = top;
  OwnVariables[evRight].Value = right;
  OwnVariables[evBottom].Value = bottom;

  if (PlanIsDirty) {
    for (TChildMetrics& record : Records) {
      if (record.Generated)
        continue;
      if (TResult failed = Generate(record, geometry(record.Child))) {
        RemoveConstraints(record);  // no half-built record is left behind
        return failed;
      }
    }
    if (!BuildPlan())
      return NoPlan;
    PlanIsDirty = false;
  }
  for (const auto& k : Plan)
    k->Output->Value = k->Evaluate();
  return Solved;
}
