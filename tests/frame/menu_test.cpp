#include "framework/base/menu.h"
#include "framework/window/window.h"
#include "tests/support/testapp.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Text(HMENU menu, int position)
{
  char text[256] = "";
  ::GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

// Appends a popup that the menu then owns.
HMENU AppendPopup(HMENU menu, const char* text, std::initializer_list<unsigned> ids)
{
  TPopupMenu popup(false);
  for (unsigned id : ids)
    ::AppendMenuA(popup, MF_STRING, id, "item");
  ::AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup.GetHandle()), text);
  return popup;
}

TEST(MenuTest, PopupItemsAreKnownByTheirFirstItemIdMinusOne)
{
  TMenu bar;
  AppendPopup(bar, "file", {24332, 24333});
  AppendPopup(bar, "empty", {});
  HMENU outer = AppendPopup(bar, "outer", {});
  AppendPopup(outer, "inner", {700});
  ::AppendMenuA(bar, MF_STRING, 500, "plain");

  EXPECT_EQ(bar.GetMenuItemID(0), 24331u);
  EXPECT_EQ(bar.GetMenuItemID(1), 0xFFFFFFFFu);  // nothing inside: -1
  EXPECT_EQ(bar.GetMenuItemID(2), 698u);         // one less per level
  EXPECT_EQ(bar.GetMenuItemID(3), 500u);
}

TEST(MenuTest, DeepCopyCopiesTextsStatesAndSubmenus)
{
  TMenu source;
  ::AppendMenuA(source, MF_STRING | MF_CHECKED, 101, "&Open");
  ::AppendMenuA(source, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuA(source, MF_STRING | MF_GRAYED, 102, "Grey");
  HMENU sub = AppendPopup(source, "Sub", {103});

  const TMenu copy(source);
  ASSERT_EQ(copy.GetMenuItemCount(), 4);
  EXPECT_EQ(Text(copy, 0), "&Open");
  EXPECT_EQ(copy.GetMenuItemID(0), 101u);
  EXPECT_TRUE(copy.GetMenuState(0) & MF_CHECKED);
  EXPECT_TRUE(copy.GetMenuState(1) & MF_SEPARATOR);
  EXPECT_TRUE(copy.GetMenuState(2) & MF_GRAYED);
  HMENU copiedSub = ::GetSubMenu(copy, 3);
  ASSERT_TRUE(copiedSub);
  EXPECT_NE(copiedSub, sub);  // a menu of its own, not shared
  EXPECT_EQ(Text(copy, 3), "Sub");
  EXPECT_EQ(::GetMenuItemID(copiedSub, 0), 103u);

  // The inserting form puts the copies at a position.
  TMenu target;
  ::AppendMenuA(target, MF_STRING, 1, "A");
  ::AppendMenuA(target, MF_STRING, 2, "B");
  target.DeepCopy(1, source, 2, 1);
  ASSERT_EQ(target.GetMenuItemCount(), 3);
  EXPECT_EQ(Text(target, 1), "Grey");
  EXPECT_EQ(Text(target, 2), "B");

  // Assignment replaces every item.
  target = source;
  ASSERT_EQ(target.GetMenuItemCount(), 4);
  EXPECT_EQ(Text(target, 0), "&Open");
  EXPECT_NE(::GetSubMenu(target, 3), sub);
}

TEST(MenuTest, WrappersOwnOnlyWhatTheyCreateAndFailuresThrow)
{
  TTestApp app;
  TWindow window(nullptr, "menu owner");
  window.Attributes.Style = WS_OVERLAPPEDWINDOW;
  window.Create();

  HMENU menu = ::CreateMenu();
  ::AppendMenuA(menu, MF_STRING, 1, "one");
  ASSERT_TRUE(::SetMenu(window, menu));
  {
    TMenu wrapped(window.GetHandle());
    EXPECT_EQ(wrapped.GetHandle(), menu);
    TSystemMenu system(window.GetHandle());
    EXPECT_TRUE(::IsMenu(system));
  }
  EXPECT_TRUE(::IsMenu(menu));  // the window's menu is still alive

  HMENU created;
  {
    TPopupMenu owned;
    created = owned;
  }
  EXPECT_FALSE(::IsMenu(created));

  ::SetMenu(window, nullptr);
  ::DestroyMenu(menu);
  try {
    TMenu none(window.GetHandle());
    ADD_FAILURE() << "a window without a menu gave a menu";
  } catch (const TMenu::TXMenu& x) {
    EXPECT_EQ(x.ResId, 32744u);
  }
  EXPECT_THROW(TMenu(::GetModuleHandleA(nullptr), TResId(9999)), TMenu::TXMenu);
}

}  // namespace
