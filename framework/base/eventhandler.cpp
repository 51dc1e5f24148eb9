#include "framework/base/eventhandler.h"

bool MatchNotification(const TResponseEntry& entry, const TEventLookup& query)
{
  return entry.Id == query.Id && (entry.Msg == UINT_MAX || entry.Msg == query.Msg);
}

bool TEventHandler::Find(TEventLookup&, TEqualOperator)
{
  return false;
}

LRESULT TEventHandler::Dispatch(TEventLookup& lookup, WPARAM wParam, LPARAM lParam)
{
  return lookup.Entry->Dispatcher(lookup.Object, wParam, lParam);
}

bool TEventHandler::SearchEntries(const TResponseEntry* table, TEventLookup& lookup, TEqualOperator match)
{
  for (const TResponseEntry* entry = table; entry->Dispatcher; ++entry) {
    const bool hit = match ? match(*entry, lookup) : entry->Msg == lookup.Msg && entry->Id == lookup.Id;
    if (hit) {
      lookup.Entry = entry;
      return true;
    }
  }
  return false;
}
