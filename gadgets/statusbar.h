// The status bar: a message bar whose panes take one border style, with
// keyboard mode indicators (Caps Lock and the like) after the panes.
#pragma once

#include "gadgets/messagebar.h"

#include <memory>
#include <vector>

class TTextGadget;

// A list of texts split from one string at each '|'.
class TModeStrings {
public:
  // Splits text; never cuts a double-byte character.
  explicit TModeStrings(const char* text);
  int Count() const { return static_cast<int>(Strings.size()); }
  const char* operator[](int index) const { return Strings[index]; }

  // The indicator texts and their blank counterparts (string resources 32530
  // and 32531 of module, or built-in defaults), loaded once per process.
  static const TModeStrings& Indicators(TModule* module);
  static const TModeStrings& Blanks(TModule* module);

private:
  std::unique_ptr<char[]> Buffer;
  std::vector<const char*> Strings;
};

class TStatusBar : public TMessageBar {
public:
  enum TModeIndicator : unsigned {
    IndExtend = 0x01,
    IndCaps = 0x02,
    IndNum = 0x04,
    IndScroll = 0x08,
    IndOvertype = 0x10,
    IndRecord = 0x20,
  };

  // What FindIndicator reports; all null for an indicator not shown.
  struct TIndicator {
    TTextGadget* Pane = nullptr;
    const char* OnText = nullptr;
    const char* OffText = nullptr;
  };

  // modeIndicators: the TModeIndicator bits to show.
  TStatusBar(TWindow* parent = nullptr, TGadgetBorderStyle style = SunkenBorder, unsigned modeIndicators = 0,
             TFont* font = nullptr, TModule* module = nullptr);

  void SetIndicator(unsigned bit, bool on);
  void ToggleIndicator(unsigned bit) { SetIndicator(bit, !(IndicatorState & bit)); }
  TIndicator FindIndicator(unsigned bit) const;
  unsigned GetIndicatorState() const { return IndicatorState; }

  // Panes go in front of the indicators and take the bar's border style.
  void Insert(TGadget& gadget, TPlacement placement = After, TGadget* sibling = nullptr) override;
  bool PreProcessMsg(MSG& msg) override;
  bool IdleAction(long idleCount) override;
  void AdjustNextPosition(TGadget* previous, TGadget* next, TPoint& p) override;

private:
  int IndexOf(const TGadget* gadget) const;

  TGadgetBorderStyle BorderStyle;
  TMarginUnits IndicatorGapUnits = UnitEighths;
  int IndicatorGap = 0;
  int IndicatorCount = 0;
  unsigned IndicatorMask;
  unsigned IndicatorState = 0;
  TModule* TextModule;
};
