// Bitmap push buttons of the control bar and the enabler through which the
// frame's idle-time enabling pass reaches them.
#pragma once

#include "framework/app/cmdenable.h"
#include "framework/base/resid.h"
#include "gadgets/gadget.h"

#include <memory>

class TCelArray;
class TDib;

class TButtonGadget : public TGadget {
public:
  enum TType { PushButton = 0, RadioButton = 1, ToggleButton = 2 };
  enum TState { StateUp = 0, StateDown = 1, StateMixed = 2 };
  enum TBevelWidth { SingleBevel = 1, DoubleBevel = 2 };
  // The looks kept side by side in the cel strip.
  enum TCel { CelNormal = 0, CelDisabled = 1, CelMixed = 2, CelLatched = 3 };

  // glyphId: a bitmap resource of the gadget window's module (id or name).
  TButtonGadget(TResId glyphId, int id, TType type = PushButton, bool enabled = false, TState state = StateUp,
                bool repeat = false);
  ~TButtonGadget() override;

  void SetBevelWidth(int width);
  void SetState(TState state);
  TState GetState() const { return State; }
  TType GetType() const { return Type; }  // part of the framework's interface
  bool IsPressed() const { return Pressed; }
  // Makes this button the one down in its run of adjacent radio buttons.
  void SelectInGroup();
  // The four looks, built on first use; null before.
  const TCelArray* GetCels() const { return Cels.get(); }

  TSize PreferredSize() override;
  void SetBounds(const TRect& bounds) override;
  void QueryEnable() override;
  void SysColorChange() override;
  void Paint(TDC& dc) override;
  void MouseMove(unsigned modKeys, const TPoint& point) override;
  void MouseEnter(unsigned modKeys, const TPoint& point) override;
  void MouseLeave(unsigned modKeys, const TPoint& point) override;
  void LButtonDown(unsigned modKeys, const TPoint& point) override;
  void LButtonUp(unsigned modKeys, const TPoint& point) override;
  void CaptureLost() override;

protected:
  // The glyph with the standard button colours mapped to the system's.
  virtual std::unique_ptr<TDib> LoadGlyphDib();
  // (Re)draws the four looks from the glyph in the current system colours.
  virtual void BuildCels();
  virtual void PressDown(const TPoint& point);
  virtual void PressCancel(const TPoint& point);
  // Activation: state change of radio and toggle buttons, then the command.
  virtual void Trigger(const TPoint& point);

private:
  void InvalidateInsideFrame();
  TCel CelToShow() const;
  TRect PaintBevel(TDC& dc, int depth, bool down) const;
  void PaintCorners(TDC& dc, int depth) const;
  static void PaintFaceAround(TDC& dc, const TRect& inner, const TRect& glyph);

  const char* GlyphId;  // numeric id or owned copy of the name
  std::unique_ptr<TCelArray> Cels;
  TPoint GlyphOrigin;
  TState State;
  TType Type;
  int BevelWidth = DoubleBevel;
  bool AutoRepeat;  // part of the framework's interface: kept, but buttons do not repeat
  bool SoftCorners = true;
  bool Pressed = false;
  bool TrimInnerCorners = true;
};

class TButtonGadgetEnabler : public TCommandEnabler {
public:
  TButtonGadgetEnabler(HWND receiver, TButtonGadget& button) : TCommandEnabler(button.GetId(), receiver), Button(button)
  {
  }

  void Enable(bool enable = true) override;
  void SetText(const char*) override {}
  void SetCheck(int state) override;

private:
  TButtonGadget& Button;
};
