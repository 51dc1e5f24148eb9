#include "gadgets/statusbar.h"

#include "gadgets/textgadget.h"
#include "graphics/dc.h"

#include <cstring>

// ------------------------------------------------------------ mode strings

TModeStrings::TModeStrings(const char* text)
{
  const std::size_t size = std::strlen(text) + 1;
  Buffer = std::make_unique<char[]>(size);
  std::memcpy(Buffer.get(), text, size);
  char* piece = Buffer.get();
  for (char* p = piece; *p;) {
    char* next = ::CharNextA(p);  // stepped before the bar becomes a terminator
    if (*p == '|') {
      *p = '\0';
      Strings.push_back(piece);
      piece = next;
    }
    p = next;
  }
  Strings.push_back(piece);
}

namespace {

std::string LoadedOrDefault(TModule* module, unsigned id, const char* fallback)
{
  char text[128] = "";
  if (module && module->LoadString(id, text, sizeof text) > 0)
    return text;
  return fallback;
}

}  // namespace

const TModeStrings& TModeStrings::Indicators(TModule* module)
{
  static const TModeStrings texts(LoadedOrDefault(module, 32530, "EXT|CAPS|NUM|SCRL|OVR|REC").c_str());
  return texts;
}

const TModeStrings& TModeStrings::Blanks(TModule* module)
{
  static const TModeStrings texts(LoadedOrDefault(module, 32531, "   |    |   |    |   |   ").c_str());
  return texts;
}

// --------------------------------------------------------------- status bar

TStatusBar::TStatusBar(TWindow* parent, TGadgetBorderStyle style, unsigned modeIndicators, TFont* font, TModule* module)
  : TMessageBar(parent, font, module), BorderStyle(style), TextModule(GetModule())
{
  const TModeStrings& on = TModeStrings::Indicators(TextModule);
  const TModeStrings& off = TModeStrings::Blanks(TextModule);
  const int texts = std::min(on.Count(), off.Count());
  // Bits without a text would throw the pane lookup off.
  IndicatorMask = modeIndicators & ((1u << texts) - 1);

  if (style == FlatBorder || style == RidgeBorder)
    TopLine = false;
  else
    IndicatorGap = 2;

  if (style == FlatBorder) {
    Margins = TGadgetMargins{UnitBorders, -1, -1, -1, -1};
  } else if (style == RaisedBorder || style == SunkenBorder) {
    const auto across = static_cast<std::int8_t>(EighthsToPixels(4));
    const auto along = static_cast<std::int8_t>(SystemBorderSize().cy);
    Margins = TGadgetMargins{UnitPixels, across, across, along, along};
  }
  FirstGadget()->SetBorderStyle(style);

  TScreenDC screen;
  screen.SelectObject(GetFont());
  auto measure = [&](const char* text) {
    SIZE extent{};
    ::GetTextExtentPoint32A(screen, text, static_cast<int>(std::strlen(text)), &extent);
    return extent;
  };
  for (int i = 0; i < texts; ++i) {
    if (!(IndicatorMask & (1u << i)))
      continue;
    const int chars = static_cast<int>(std::max(std::strlen(on[i]), std::strlen(off[i])));
    auto* pane = new TTextGadget(0, style, AlignLeft, chars, off[i]);
    pane->SetMargins(TGadgetMargins{UnitEighths, 1, 1, 0, 0});
    pane->SetFit(false, true);
    TGadgetWindow::Insert(*pane);
    const SIZE onSize = measure(on[i]), offSize = measure(off[i]);
    const TEdges edges = pane->EdgeSizes();
    pane->SetSize(TSize(std::max(onSize.cx, offSize.cx) + edges.Left + edges.Right, onSize.cy));
    ++IndicatorCount;
  }
}

int TStatusBar::IndexOf(const TGadget* gadget) const
{
  int index = 0;
  for (TGadget* g = FirstGadget(); g; g = g->NextGadget(), ++index)
    if (g == gadget)
      return index;
  return -1;
}

void TStatusBar::Insert(TGadget& gadget, TPlacement placement, TGadget* sibling)
{
  gadget.SetBorderStyle(BorderStyle);
  if (!sibling)
    sibling = GadgetWithIndex(NumGadgets() - IndicatorCount - 1);
  TGadgetWindow::Insert(gadget, placement, sibling);
}

void TStatusBar::AdjustNextPosition(TGadget*, TGadget* next, TPoint& p)
{
  if (BorderStyle == FlatBorder)
    p.x -= SystemBorderSize().cx;
  if (IndexOf(next) >= NumGadgets() - IndicatorCount) {
    switch (IndicatorGapUnits) {
    case UnitEighths:
      p.x += EighthsToPixels(IndicatorGap);
      break;
    case UnitBorders:
      p.x += IndicatorGap * SystemBorderSize().cx;
      break;
    case UnitPixels:
    default:
      p.x += IndicatorGap;
      break;
    }
  }
}

TStatusBar::TIndicator TStatusBar::FindIndicator(unsigned bit) const
{
  // Exactly one bit, and one that is shown.
  if (!bit || (bit & (bit - 1)) || !(IndicatorMask & bit))
    return {};
  const TModeStrings& on = TModeStrings::Indicators(TextModule);
  const TModeStrings& off = TModeStrings::Blanks(TextModule);
  // The indicators are the last panes, in increasing bit order.
  int text = std::min(on.Count(), off.Count()) - 1;
  int pane = NumGadgets() - 1;
  for (; text > 0 && bit < (1u << text); --text)
    if (IndicatorMask & (1u << text))
      --pane;
  return {dynamic_cast<TTextGadget*>(GadgetWithIndex(pane)), on[text], off[text]};
}

void TStatusBar::SetIndicator(unsigned bit, bool on)
{
  const TIndicator indicator = FindIndicator(bit);
  if (indicator.Pane)
    indicator.Pane->SetText(on ? indicator.OnText : indicator.OffText);
  if (on)
    IndicatorState |= bit;
  else
    IndicatorState &= ~bit;
}

namespace {

// Lock keys and the indicators they toggle.
const struct {
  int Key;
  unsigned Bit;
} LockKeys[] = {
  {VK_SCROLL, TStatusBar::IndScroll},
  {VK_CAPITAL, TStatusBar::IndCaps},
  {VK_NUMLOCK, TStatusBar::IndNum},
};

}  // namespace

bool TStatusBar::PreProcessMsg(MSG& msg)
{
  if (msg.message != WM_KEYDOWN)
    return false;
  for (const auto& lock : LockKeys)
    if (msg.wParam == static_cast<WPARAM>(lock.Key) && (IndicatorMask & lock.Bit))
      ToggleIndicator(lock.Bit);
  if (msg.wParam == VK_INSERT && (IndicatorMask & IndOvertype) && ::GetKeyState(VK_CONTROL) >= 0 &&
      ::GetKeyState(VK_SHIFT) >= 0)
    ToggleIndicator(IndOvertype);
  return false;  // the key goes on as if unseen
}

bool TStatusBar::IdleAction(long idleCount)
{
  if (idleCount == 0) {
    // A lock key toggled while another program had the keyboard.
    for (const auto& lock : LockKeys) {
      const bool toggled = (::GetKeyState(lock.Key) & 1) != 0;
      if (toggled != ((IndicatorState & lock.Bit) != 0))
        ToggleIndicator(lock.Bit);
    }
  }
  return TMessageBar::IdleAction(idleCount);
}
