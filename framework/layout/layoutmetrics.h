// Edge constraints: where a child window's edges lie relative to its layout
// window or to a sibling, four per child.
#pragma once

class TWindow;

enum class TEdge { Left = 0, Top = 1, Right = 2, Bottom = 3, Center = 4, Width = 5, Height = 6 };

enum class TRelationship {
  AsIs = 0,  // keep the child's own creation value
  PercentOf = 1,
  Above = 2,
  LeftOf = 2,
  Below = 3,
  RightOf = 3,
  SameAs = 4,
  Absolute = 5,
};

enum class TMeasurementUnits {
  Pixels = 0,
  LayoutUnits = 1,  // eighths of the layout window's font height
};

struct TEdgeConstraint {
  TWindow* RelWin = nullptr;  // null: the layout window itself
  TEdge MyEdge = TEdge::Left;
  TRelationship Relationship = TRelationship::AsIs;
  TMeasurementUnits Units = TMeasurementUnits::LayoutUnits;
  TEdge OtherEdge = TEdge::Left;
  int Value = 0;  // margin, percentage, or absolute position or size

  // myEdge relation otherEdge of relWin, with value in the current units.
  void Set(TEdge myEdge, TRelationship relationship, TWindow* relWin, TEdge otherEdge, int value = 0)
  {
    MyEdge = myEdge;
    Relationship = relationship;
    RelWin = relWin;
    OtherEdge = otherEdge;
    Value = value;
  }
  void SameAs(TWindow* relWin, TEdge edge) { Set(edge, TRelationship::SameAs, relWin, edge); }
  void Absolute(TEdge edge, int value) { Set(edge, TRelationship::Absolute, nullptr, edge, value); }
  void AsIs(TEdge edge) { Set(edge, TRelationship::AsIs, nullptr, edge); }
  void PercentOf(TWindow* relWin, TEdge edge, int percent)
  {
    Set(edge, TRelationship::PercentOf, relWin, edge, percent);
  }
};

// X constrains the left edge, the right edge or the centre; Y the top, bottom
// or centre; Width the width or the right edge; Height the height or the bottom.
struct TLayoutMetrics {
  TLayoutMetrics();

  TEdgeConstraint X;
  TEdgeConstraint Y;
  TEdgeConstraint Width;
  TEdgeConstraint Height;

  TEdgeConstraint& Slot(int s) { return s == 0 ? X : s == 1 ? Y : s == 2 ? Width : Height; }
  const TEdgeConstraint& Slot(int s) const { return s == 0 ? X : s == 1 ? Y : s == 2 ? Width : Height; }
};
