// Dispatchers for response-table entries and the EV_ entry macros.
// A dispatcher is instantiated per handler: it receives the class part the
// table belongs to (as found by Find), unpacks wParam/lParam into the
// handler's parameter types, calls the handler and packs its result.
#pragma once

#include "framework/base/eventhandler.h"
#include "framework/base/geometry.h"

#include <cstdint>
#include <tuple>
#include <type_traits>

class TCommandEnabler;

// Private messages of the framework.
enum : unsigned {
  WM_CHILD_INVALID = 0x7FFE,   // wParam: a window that must be told it is invalid
  WM_COMMAND_ENABLE = 0x7FFF,  // lParam: TCommandEnabler*
  WM_CTLCOLOR = 0x0019,        // the pre-Win32 colour message the WM_CTLCOLOR... family maps to
};

namespace Dispatch {

template <class TPmf> struct TMember;
template <class R, class C, class... A> struct TMember<R (C::*)(A...)> {
  using Result = R;
  template <std::size_t I> using Arg = std::tuple_element_t<I, std::tuple<A...>>;
};

// Converts a message word into a handler parameter of type A.
template <class A> A As(uintptr_t value)
{
  using Plain = std::remove_cv_t<std::remove_reference_t<A>>;
  if constexpr (std::is_reference_v<A>)
    return *reinterpret_cast<Plain*>(value);
  else if constexpr (std::is_pointer_v<Plain>)
    return reinterpret_cast<Plain>(value);
  else if constexpr (std::is_same_v<Plain, bool>)
    return value != 0;
  else
    return static_cast<Plain>(value);
}

// The handler's value as the message result; 0 for void handlers.
template <class F> LRESULT Result(F&& call)
{
  if constexpr (std::is_void_v<decltype(call())>) {
    call();
    return 0;
  } else {
    return (LRESULT)(call());
  }
}

template <class T, auto H> using Arg0 = typename TMember<decltype(H)>::template Arg<0>;
template <class T, auto H> using Arg1 = typename TMember<decltype(H)>::template Arg<1>;
template <class T, auto H> using Arg2 = typename TMember<decltype(H)>::template Arg<2>;

inline int SignedLo(LPARAM v)
{
  return static_cast<short>(LOWORD(v));
}
inline int SignedHi(LPARAM v)
{
  return static_cast<short>(HIWORD(v));
}

// handler()
template <class T, auto H> LRESULT None(void* o, WPARAM, LPARAM)
{
  return Result([&] { return (static_cast<T*>(o)->*H)(); });
}
// handler(wParam)
template <class T, auto H> LRESULT W(void* o, WPARAM w, LPARAM)
{
  return Result([&] { return (static_cast<T*>(o)->*H)(As<Arg0<T, H>>(w)); });
}
// handler(lParam)
template <class T, auto H> LRESULT L(void* o, WPARAM, LPARAM l)
{
  return Result([&] { return (static_cast<T*>(o)->*H)(As<Arg0<T, H>>(l)); });
}
// handler(wParam, lParam)
template <class T, auto H> LRESULT WL(void* o, WPARAM w, LPARAM l)
{
  return Result([&] { return (static_cast<T*>(o)->*H)(As<Arg0<T, H>>(w), As<Arg1<T, H>>(l)); });
}
// handler(wParam, LOWORD(lParam), HIWORD(lParam))
template <class T, auto H> LRESULT WLoHi(void* o, WPARAM w, LPARAM l)
{
  return Result(
    [&] { return (static_cast<T*>(o)->*H)(As<Arg0<T, H>>(w), As<Arg1<T, H>>(LOWORD(l)), As<Arg2<T, H>>(HIWORD(l))); });
}
// handler(LOWORD(wParam), HIWORD(wParam), lParam)
template <class T, auto H> LRESULT LoHiL(void* o, WPARAM w, LPARAM l)
{
  return Result(
    [&] { return (static_cast<T*>(o)->*H)(As<Arg0<T, H>>(LOWORD(w)), As<Arg1<T, H>>(HIWORD(w)), As<Arg2<T, H>>(l)); });
}
// handler(wParam, size from the words of lParam)
template <class T, auto H> LRESULT WSize(void* o, WPARAM w, LPARAM l)
{
  return Result([&] { return (static_cast<T*>(o)->*H)(As<Arg0<T, H>>(w), TSize(SignedLo(l), SignedHi(l))); });
}
// handler(wParam, point from the words of lParam)
template <class T, auto H> LRESULT WPoint(void* o, WPARAM w, LPARAM l)
{
  return Result([&] { return (static_cast<T*>(o)->*H)(As<Arg0<T, H>>(w), TPoint(SignedLo(l), SignedHi(l))); });
}
// handler(point from the words of lParam)
template <class T, auto H> LRESULT Point(void* o, WPARAM, LPARAM l)
{
  return Result([&] { return (static_cast<T*>(o)->*H)(TPoint(SignedLo(l), SignedHi(l))); });
}

// WM_CTLCOLOR entries: handler(HDC, HWND control, unsigned controlType); the
// window passes the control and its type through lParam.
struct TCtlColorArgs {
  HWND Control;
  unsigned Type;
};
template <class T, auto H> LRESULT CtlColor(void* o, WPARAM w, LPARAM l)
{
  auto* args = reinterpret_cast<TCtlColorArgs*>(l);
  return Result([&] { return (static_cast<T*>(o)->*H)(reinterpret_cast<HDC>(w), args->Control, args->Type); });
}

}  // namespace Dispatch

// Entry builders. TMyClass is the class whose table is being defined.
// clang-format off
#define VELMO_ENTRY(msg, id, kind, handler) \
  {static_cast<unsigned>(msg), static_cast<unsigned>(id), &Dispatch::kind<TMyClass, &TMyClass::handler>}
// clang-format on

// Any message, handler(WPARAM, LPARAM) returning LRESULT or void.
#define EV_MESSAGE(msg, handler) VELMO_ENTRY(msg, 0, WL, handler)
// Menu and accelerator commands: handler().
#define EV_COMMAND(id, handler) VELMO_ENTRY(0, id, None, handler)
// The same with the command id: handler(WPARAM id).
#define EV_COMMAND_AND_ID(id, handler) VELMO_ENTRY(0, id, W, handler)
// Command enabler: handler(TCommandEnabler&).
#define EV_COMMAND_ENABLE(id, handler) VELMO_ENTRY(WM_COMMAND_ENABLE, id, L, handler)
// Control notifications: handler() for one code, handler(UINT code) for every code.
#define EV_CHILD_NOTIFY(id, code, handler) VELMO_ENTRY(code, id, None, handler)
#define EV_CHILD_NOTIFY_ALL_CODES(id, handler) VELMO_ENTRY(UINT_MAX, id, W, handler)
// Notifications the control object handles itself: handler().
#define EV_NOTIFY_AT_CHILD(code, handler) VELMO_ENTRY(code, UINT_MAX, None, handler)

#define EV_WM_CREATE VELMO_ENTRY(WM_CREATE, 0, L, EvCreate)
#define EV_WM_CLOSE VELMO_ENTRY(WM_CLOSE, 0, None, EvClose)
#define EV_WM_DESTROY VELMO_ENTRY(WM_DESTROY, 0, None, EvDestroy)
#define EV_WM_NCDESTROY VELMO_ENTRY(WM_NCDESTROY, 0, None, EvNCDestroy)
#define EV_WM_PAINT VELMO_ENTRY(WM_PAINT, 0, None, EvPaint)
#define EV_WM_ERASEBKGND VELMO_ENTRY(WM_ERASEBKGND, 0, W, EvEraseBkgnd)
#define EV_WM_SIZE VELMO_ENTRY(WM_SIZE, 0, WSize, EvSize)
#define EV_WM_MOVE VELMO_ENTRY(WM_MOVE, 0, Point, EvMove)
#define EV_WM_QUERYENDSESSION VELMO_ENTRY(WM_QUERYENDSESSION, 0, None, EvQueryEndSession)
#define EV_WM_QUERYDRAGICON VELMO_ENTRY(WM_QUERYDRAGICON, 0, None, EvQueryDragIcon)
#define EV_WM_SETCURSOR VELMO_ENTRY(WM_SETCURSOR, 0, WLoHi, EvSetCursor)
#define EV_WM_INITMENUPOPUP VELMO_ENTRY(WM_INITMENUPOPUP, 0, WLoHi, EvInitMenuPopup)
#define EV_WM_MENUSELECT VELMO_ENTRY(WM_MENUSELECT, 0, LoHiL, EvMenuSelect)
#define EV_WM_ENTERIDLE VELMO_ENTRY(WM_ENTERIDLE, 0, WL, EvEnterIdle)
#define EV_WM_SETFONT VELMO_ENTRY(WM_SETFONT, 0, WL, EvSetFont)
#define EV_WM_KILLFOCUS VELMO_ENTRY(WM_KILLFOCUS, 0, W, EvKillFocus)
#define EV_WM_SETFOCUS VELMO_ENTRY(WM_SETFOCUS, 0, W, EvSetFocus)
#define EV_WM_SYSCOLORCHANGE VELMO_ENTRY(WM_SYSCOLORCHANGE, 0, None, EvSysColorChange)
#define EV_WM_SETTINGCHANGE VELMO_ENTRY(WM_SETTINGCHANGE, 0, None, EvSettingChange)
#define EV_WM_HSCROLL VELMO_ENTRY(WM_HSCROLL, 0, LoHiL, EvHScroll)
#define EV_WM_VSCROLL VELMO_ENTRY(WM_VSCROLL, 0, LoHiL, EvVScroll)
#define EV_WM_TIMER VELMO_ENTRY(WM_TIMER, 0, W, EvTimer)
#define EV_WM_LBUTTONDOWN VELMO_ENTRY(WM_LBUTTONDOWN, 0, WPoint, EvLButtonDown)
#define EV_WM_LBUTTONDBLCLK VELMO_ENTRY(WM_LBUTTONDBLCLK, 0, WPoint, EvLButtonDblClk)
#define EV_WM_LBUTTONUP VELMO_ENTRY(WM_LBUTTONUP, 0, WPoint, EvLButtonUp)
#define EV_WM_MOUSEMOVE VELMO_ENTRY(WM_MOUSEMOVE, 0, WPoint, EvMouseMove)
#define EV_WM_KEYDOWN VELMO_ENTRY(WM_KEYDOWN, 0, WL, EvKeyDown)
#define EV_WM_KEYUP VELMO_ENTRY(WM_KEYUP, 0, WL, EvKeyUp)
#define EV_WM_GETDLGCODE VELMO_ENTRY(WM_GETDLGCODE, 0, L, EvGetDlgCode)
#define EV_WM_CTLCOLOR VELMO_ENTRY(WM_CTLCOLOR, 0, CtlColor, EvCtlColor)
#define EV_WM_COMPAREITEM VELMO_ENTRY(WM_COMPAREITEM, 0, WL, EvCompareItem)
#define EV_WM_DELETEITEM VELMO_ENTRY(WM_DELETEITEM, 0, WL, EvDeleteItem)
#define EV_WM_DRAWITEM VELMO_ENTRY(WM_DRAWITEM, 0, WL, EvDrawItem)
#define EV_WM_MEASUREITEM VELMO_ENTRY(WM_MEASUREITEM, 0, WL, EvMeasureItem)
#define EV_WM_PARENTNOTIFY VELMO_ENTRY(WM_PARENTNOTIFY, 0, WL, EvParentNotify)
#define EV_WM_CHILD_INVALID VELMO_ENTRY(WM_CHILD_INVALID, 0, W, EvChildInvalid)
#define EV_WM_SYSCOMMAND VELMO_ENTRY(WM_SYSCOMMAND, 0, WL, EvSysCommand)
#define EV_WM_ACTIVATE VELMO_ENTRY(WM_ACTIVATE, 0, WL, EvActivate)
