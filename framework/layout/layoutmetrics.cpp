#include "framework/layout/layoutmetrics.h"

TLayoutMetrics::TLayoutMetrics()
{
  X.AsIs(TEdge::Left);
  Y.AsIs(TEdge::Top);
  Width.AsIs(TEdge::Width);
  Height.AsIs(TEdge::Height);
}
