// Static response tables: each class with handlers has one table of entries
// (message or notification code, id, dispatcher) searched in the class itself
// and then in its bases in declaration order.
#pragma once

#include "framework/base/platform.h"

#include <climits>

// Unpacks wParam/lParam for one handler, calls it on the object part that
// declares the table, and packs the handler's result.
using TAnyDispatcher = LRESULT (*)(void* object, WPARAM wParam, LPARAM lParam);

struct TResponseEntry {
  unsigned Msg;  // message; notification code for command entries; UINT_MAX = any code
  unsigned Id;   // 0 for messages; command or control id; UINT_MAX = the control itself
  TAnyDispatcher Dispatcher;
};

struct TEventLookup {
  unsigned Msg;
  unsigned Id;
  void* Object = nullptr;                 // the class part the found handler runs on
  const TResponseEntry* Entry = nullptr;  // the entry found
};

// Optional entry test; without one an entry matches when Msg and Id are equal.
using TEqualOperator = bool (*)(const TResponseEntry& entry, const TEventLookup& query);

// Accepts a control-notification entry for the query's id whose code is the
// query's or UINT_MAX (every code).
bool MatchNotification(const TResponseEntry& entry, const TEventLookup& query);

class TEventHandler {
public:
  virtual ~TEventHandler() = default;
  virtual bool Find(TEventLookup& lookup, TEqualOperator match = nullptr);
  virtual LRESULT Dispatch(TEventLookup& lookup, WPARAM wParam, LPARAM lParam);

protected:
  static bool SearchEntries(const TResponseEntry* table, TEventLookup& lookup, TEqualOperator match);
};

// In the class body (it ends in the private section):
//   DECLARE_RESPONSE_TABLE(TMyWindow);
// In the source file:
//   DEFINE_RESPONSE_TABLE1(TMyWindow, TWindow)
//     EV_WM_SIZE,
//     EV_COMMAND(CM_OPEN, CmOpen),
//   END_RESPONSE_TABLE;
// clang-format off
#define DECLARE_RESPONSE_TABLE(cls)                                             \
 public:                                                                        \
  bool Find(TEventLookup& lookup, TEqualOperator match = nullptr) override;     \
                                                                                \
 private:                                                                       \
  using TMyClass = cls;                                                         \
  static const TResponseEntry ResponseTable[]

#define VELMO_FIND_PROLOGUE(cls)                                                \
  bool cls::Find(TEventLookup& lookup, TEqualOperator match)                    \
  {                                                                             \
    lookup.Object = static_cast<void*>(this);                                   \
    return SearchEntries(ResponseTable, lookup, match)

#define DEFINE_RESPONSE_TABLE(cls)                                              \
  VELMO_FIND_PROLOGUE(cls);                                                     \
  }                                                                             \
  const TResponseEntry cls::ResponseTable[] = {

#define DEFINE_RESPONSE_TABLE1(cls, b1)                                         \
  VELMO_FIND_PROLOGUE(cls) || b1::Find(lookup, match);                          \
  }                                                                             \
  const TResponseEntry cls::ResponseTable[] = {

#define DEFINE_RESPONSE_TABLE2(cls, b1, b2)                                     \
  VELMO_FIND_PROLOGUE(cls) || b1::Find(lookup, match) || b2::Find(lookup, match); \
  }                                                                             \
  const TResponseEntry cls::ResponseTable[] = {

#define DEFINE_RESPONSE_TABLE3(cls, b1, b2, b3)                                 \
  VELMO_FIND_PROLOGUE(cls) || b1::Find(lookup, match) || b2::Find(lookup, match) \
                          || b3::Find(lookup, match);                           \
  }                                                                             \
  const TResponseEntry cls::ResponseTable[] = {

#define END_RESPONSE_TABLE {0, 0, nullptr} }
// clang-format on
