#include "framework/frame/decframe.h"
#include "framework/frame/hintreceiver.h"
#include "framework/app/cmdenable.h"
#include "framework/base/menu.h"

namespace {

const char PlaceholderTitle[] = "\a";
const unsigned LocationBits = 0xF00;

TDecorationLocation LocationOf(const TWindow& window)
{
  return static_cast<TDecorationLocation>(window.Attributes.Style & LocationBits);
}

bool HasBorder(const TWindow& window)
{
  return window.Attributes.Style & WS_BORDER;
}

// One axis of a decoration's place: its edges, and the metrics' slots of its
// position and size.
struct TAxis {
  TEdge Near, Far, Size;
  int PositionSlot, SizeSlot;
};
constexpr TAxis Vertical{TEdge::Top, TEdge::Bottom, TEdge::Height, 1, 3};
constexpr TAxis Horizontal{TEdge::Left, TEdge::Right, TEdge::Width, 0, 2};

// Puts the decoration (metrics m) before the neighbour's near edge: the
// neighbour now hangs on it, and it on what the neighbour hung on.
void StackBefore(TLayoutMetrics& n, TLayoutMetrics& m, TWindow& d, TRelationship towardsClient, const TAxis& a)
{
  TEdgeConstraint& neighbourPosition = n.Slot(a.PositionSlot);
  TWindow* const saved = neighbourPosition.RelWin;
  neighbourPosition.Set(a.Near, towardsClient, &d, a.Far);
  m.Slot(a.PositionSlot).Set(a.Near, TRelationship::SameAs, saved, saved ? a.Far : a.Near);
  m.Slot(a.SizeSlot).AsIs(a.Size);
}

// Puts the decoration after the neighbour's far edge: the client's far edge,
// or a stacked decoration's position, now hangs on it.
void StackAfter(TLayoutMetrics& n, TLayoutMetrics& m, TWindow& d, bool nextToClient, TRelationship awayFromClient,
                const TAxis& a)
{
  TEdgeConstraint& neighbourEdge = n.Slot(nextToClient ? a.SizeSlot : a.PositionSlot);
  TWindow* const saved = neighbourEdge.RelWin;
  neighbourEdge.Set(a.Far, nextToClient ? awayFromClient : TRelationship::SameAs, &d, a.Near);
  m.Slot(a.PositionSlot).Set(a.Far, TRelationship::SameAs, saved, saved ? a.Near : a.Far);
  m.Slot(a.SizeSlot).AsIs(a.Size);
}

bool IsShown(const TWindow& window)
{
  const DWORD style = window.GetHandle() ? static_cast<DWORD>(::GetWindowLongA(window.GetHandle(), GWL_STYLE))
                                         : window.Attributes.Style;
  return style & WS_VISIBLE;
}

}  // namespace

TDecoratedFrame::TDecoratedFrame(TWindow* parent, const char* title, TWindow* clientWnd, bool trackMenuSelection,
                                 TModule* module)
  : TLayoutWindow(parent, title, module), TrackMenuSelection(trackMenuSelection)
{
  // TFrameWindow is a virtual base, built by the most-derived class with its
  // default constructor: its part is set up here, once.
  TFrameWindow::Init(clientWnd, false);
  if (!ClientWnd)
    AdoptClient(NewPlaceholderClient());
  SetDefaultClientMetrics(*ClientWnd);
}

TWindow* TDecoratedFrame::NewPlaceholderClient()
{
  auto* placeholder = new TWindow(this, PlaceholderTitle);
  placeholder->SetFlag(wfPlaceholder);
  return placeholder;
}

bool TDecoratedFrame::IsPlaceholder(const TWindow* window)
{
  return window->IsFlagSet(wfPlaceholder);
}

// The client fills the layout area; a bordered one shares the frame's edges,
// so that its border lies just outside the client area.
void TDecoratedFrame::SetDefaultClientMetrics(TWindow& client)
{
  TLayoutMetrics m;
  if (HasBorder(client)) {
    m.X.SameAs(nullptr, TEdge::Left);
    m.Y.SameAs(nullptr, TEdge::Top);
    m.Width.SameAs(nullptr, TEdge::Right);
    m.Height.SameAs(nullptr, TEdge::Bottom);
  } else {
    m.X.Set(TEdge::Left, TRelationship::RightOf, nullptr, TEdge::Left);
    m.Y.Set(TEdge::Top, TRelationship::Below, nullptr, TEdge::Top);
    m.Width.Set(TEdge::Right, TRelationship::LeftOf, nullptr, TEdge::Right);
    m.Height.Set(TEdge::Bottom, TRelationship::Above, nullptr, TEdge::Bottom);
  }
  SetChildLayoutMetrics(client, m);
}

void TDecoratedFrame::SetupWindow()
{
  const TRect area = GetClientRect();
  TFrameWindow::SetupWindow();
  ClientSize = area.Size();
  Layout();
}

void TDecoratedFrame::EvSize(unsigned sizeType, const TSize& size)
{
  TLayoutWindow::EvSize(sizeType, size);
}

// --------------------------------------------------------------- decorations

void TDecoratedFrame::Insert(TWindow& decoration, TDecorationLocation where)
{
  decoration.Attributes.Style = (decoration.Attributes.Style & ~LocationBits) | static_cast<unsigned>(where) |
                                WS_CLIPSIBLINGS;
  if (HWND hwnd = decoration.GetHandle())
    ::SetWindowLongA(hwnd, GWL_STYLE, ::GetWindowLongA(hwnd, GWL_STYLE) | WS_CLIPSIBLINGS);
  decoration.SetParent(this);
  RemoveChildLayoutMetrics(decoration);
  // A hidden decoration gets its place when it is shown.
  if (decoration.Attributes.Style & WS_VISIBLE)
    Place(decoration, where, *ClientWnd);
  // Inserted into a live frame, it appears at once.
  if (Handle) {
    if (!decoration.GetHandle())
      decoration.Create();
    Layout();
  }
}

void TDecoratedFrame::Place(TWindow& d, TDecorationLocation where, TWindow& neighbour)
{
  TLayoutMetrics n;
  GetChildLayoutMetrics(neighbour, n);
  TLayoutMetrics m;
  const bool nextToClient = &neighbour == ClientWnd;
  // Next to a borderless client the decoration leaves the client's edge pixel
  // free; bordered windows and stacked decorations share their border line.
  const bool gap = nextToClient && !HasBorder(neighbour);
  const TRelationship towardsClient = gap ? TRelationship::Below : TRelationship::SameAs;   // top/left
  const TRelationship awayFromClient = gap ? TRelationship::Above : TRelationship::SameAs;  // bottom/right

  // Side decorations span the client's height, one pixel beyond a borderless one.
  const bool clientBordered = HasBorder(*ClientWnd);
  const auto spanClientHeight = [&] {
    m.Y.Set(TEdge::Top, clientBordered ? TRelationship::SameAs : TRelationship::Above, ClientWnd, TEdge::Top);
    m.Height.Set(TEdge::Bottom, clientBordered ? TRelationship::SameAs : TRelationship::Below, ClientWnd,
                 TEdge::Bottom);
  };
  const auto spanFrameWidth = [&] {
    m.X.SameAs(nullptr, TEdge::Left);
    m.Width.SameAs(nullptr, TEdge::Right);
  };

  switch (where) {
  case TDecorationLocation::Top:
    StackBefore(n, m, d, towardsClient, Vertical);
    spanFrameWidth();
    break;
  case TDecorationLocation::Bottom:
    StackAfter(n, m, d, nextToClient, awayFromClient, Vertical);
    spanFrameWidth();
    break;
  case TDecorationLocation::Left:
    StackBefore(n, m, d, towardsClient, Horizontal);
    spanClientHeight();
    break;
  case TDecorationLocation::Right:
    StackAfter(n, m, d, nextToClient, awayFromClient, Horizontal);
    spanClientHeight();
    break;
  }
  SetChildLayoutMetrics(neighbour, n);
  SetChildLayoutMetrics(d, m);
}

TWindow* TDecoratedFrame::DecorationWithId(unsigned id) const
{
  if (id == 0)
    return nullptr;
  TWindow* child = ChildWithId(static_cast<int>(id));
  return child != ClientWnd ? child : nullptr;
}

void TDecoratedFrame::ToggleDecoration(TWindow& decoration)
{
  const bool visible = IsShown(decoration);
  if (visible) {
    RemoveChildLayoutMetrics(decoration);
  } else {
    // Its neighbour is the next visible decoration inside it at the same edge
    // (inserted after it), else the client: shown again, it takes back the
    // place it had.
    const TDecorationLocation where = LocationOf(decoration);
    TWindow* neighbour = ClientWnd;
    bool insertedAfter = false;
    for (TWindow* child : Children()) {
      if (!insertedAfter) {
        insertedAfter = child == &decoration;
        continue;
      }
      if (child != ClientWnd && LocationOf(*child) == where && IsShown(*child)) {
        neighbour = child;
        break;
      }
    }
    Place(decoration, where, *neighbour);
  }
  Layout();
  if (visible)
    decoration.Attributes.Style &= ~WS_VISIBLE;
  else
    decoration.Attributes.Style |= WS_VISIBLE;
  if (decoration.GetHandle())
    decoration.ShowWindow(visible ? SW_HIDE : SW_SHOW);
}

LRESULT TDecoratedFrame::EvCommand(unsigned id, HWND hWndCtl, unsigned notifyCode)
{
  if (!hWndCtl) {
    if (TWindow* decoration = DecorationWithId(id)) {
      ToggleDecoration(*decoration);
      return 0;
    }
  }
  return TFrameWindow::EvCommand(id, hWndCtl, notifyCode);
}

void TDecoratedFrame::EvCommandEnable(TCommandEnabler& commandEnabler)
{
  if (TWindow* decoration = DecorationWithId(commandEnabler.Id)) {
    commandEnabler.Enable(true);
    commandEnabler.SetCheck(IsShown(*decoration) ? TCommandEnabler::Checked : TCommandEnabler::Unchecked);
    return;
  }
  TFrameWindow::EvCommandEnable(commandEnabler);
}

bool TDecoratedFrame::PreProcessMsg(MSG& msg)
{
  for (TWindow* child : Children()) {
    if (child == ClientWnd || !child->GetHandle())
      continue;
    if ((::GetWindowLongA(child->GetHandle(), GWL_STYLE) & WS_VISIBLE) && child->PreProcessMsg(msg))
      return true;
  }
  return TFrameWindow::PreProcessMsg(msg);
}

// -------------------------------------------------------------------- client

TWindow* TDecoratedFrame::SetClientWindow(TWindow* clientWnd)
{
  TWindow* old = ClientWnd;
  TLayoutMetrics metrics;
  const bool hadMetrics = old && GetChildLayoutMetrics(*old, metrics);
  if (!clientWnd)
    clientWnd = NewPlaceholderClient();
  clientWnd->SetParent(this);
  if (hadMetrics)
    SetChildLayoutMetrics(*clientWnd, metrics);
  else
    SetDefaultClientMetrics(*clientWnd);

  // Whatever hung on the old client now hangs on the new one.
  if (old) {
    for (TWindow* child : Children()) {
      TLayoutMetrics m;
      if (child == clientWnd || !GetChildLayoutMetrics(*child, m))
        continue;
      bool changed = false;
      for (int slot = 0; slot < 4; ++slot) {
        if (m.Slot(slot).RelWin == old) {
          m.Slot(slot).RelWin = clientWnd;
          changed = true;
        }
      }
      if (changed)
        SetChildLayoutMetrics(*child, m);
    }
  }

  struct TSettingClient {
    bool& Flag;
    explicit TSettingClient(bool& flag) : Flag(flag) { Flag = true; }
    ~TSettingClient() { Flag = false; }
  };
  {
    TSettingClient setting(SettingClient);
    TFrameWindow::SetClientWindow(clientWnd);
  }
  if (old && IsPlaceholder(old)) {
    old->Destroy(0);
    delete old;
    old = nullptr;
  }
  Layout();
  return old;
}

void TDecoratedFrame::RemoveChild(TWindow* child)
{
  if (child && child == ClientWnd && !SettingClient)
    SetClientWindow(nullptr);  // the frame always has a client
  TFrameWindow::RemoveChild(child);
  if (child)
    RemoveChildLayoutMetrics(*child);
}

// --------------------------------------------------------------------- hints

void TDecoratedFrame::ShowHint(const char* text)
{
  if (auto* messageBar = dynamic_cast<THintReceiver*>(ChildWithId(MessageBarId)))
    messageBar->SetHint(text);
}

void TDecoratedFrame::EvMenuSelect(unsigned menuItemId, unsigned flags, HMENU hMenu)
{
  if (TrackMenuSelection) {
    if (flags == 0xFFFF && !hMenu) {
      // The menu closed.
      ShowHint(nullptr);
      HintId = 0;
    } else if (flags & MF_POPUP) {
      // For a popup the platform passes its position: the popup is known by
      // the id of its first item minus one, and shows that id's hint.
      const unsigned id = hMenu ? TMenu(hMenu).GetMenuItemID(static_cast<int>(menuItemId)) : 0;
      HintId = id ? id : EmptyHint;
    } else if ((flags & (MF_SEPARATOR | MF_MENUBREAK | MF_MENUBARBREAK)) ||
               (menuItemId >= 32001 && menuItemId <= 32009)) {
      HintId = EmptyHint;  // separators and window-list items
    } else {
      HintId = menuItemId;
    }
  }
  DefaultProcessing();
}

void TDecoratedFrame::EvEnterIdle(WPARAM source, LPARAM window)
{
  if (source == MSGF_MENU && HintId != 0) {
    char text[128] = "";
    // A command without a hint string shows an empty hint, not the last one.
    if (HintId != EmptyHint && GetModule()->LoadString(HintId, text, sizeof text) == 0 && HintModule)
      HintModule->LoadString(HintId, text, sizeof text);
    ShowHint(text);
    HintId = 0;
  }
  TFrameWindow::EvEnterIdle(source, window);
}

// clang-format off
DEFINE_RESPONSE_TABLE2(TDecoratedFrame, TFrameWindow, TLayoutWindow)
  EV_WM_ENTERIDLE,
  EV_WM_MENUSELECT,
  EV_WM_SIZE,
END_RESPONSE_TABLE;
// clang-format on
