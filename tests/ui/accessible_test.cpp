// The toolkit's self-drawn controls as a screen reader meets them: asked
// through oleacc for their accessible objects on real windows, with the
// events they raise caught by a WinEvent hook.
#include "ui/accessible.h"

#include <windows.h>
#include <oleacc.h>

#include <map>

#include <gtest/gtest.h>

#include "support/accessible_probe.h"
#include "test_host.h"
#include "ui/controls.h"
#include "ui/html_view.h"
#include "ui/image_button.h"
#include "ui/progress_bar.h"
#include "ui/tree_view.h"

namespace hvm::ui {
namespace {

using hvm::test::AccessibleOf;
using hvm::test::ChildCountOf;
using hvm::test::DefaultActionOf;
using hvm::test::DescriptionOf;
using hvm::test::NameOf;
using hvm::test::Part;
using hvm::test::RoleOf;
using hvm::test::StateOf;
using hvm::test::ValueOf;

TEST(SpokenCaption, DropsTheMarkAndKeepsALiteralAmpersand) {
  EXPECT_EQ("Print List", SpokenCaption("&Print List"));
  EXPECT_EQ("Save & Back", SpokenCaption("Save && &Back"));
  EXPECT_EQ("Run Scan Again", SpokenCaption("Run Scan Again "));
  EXPECT_EQ("Alt+C", ShortcutOf("Restore &Checked"));
  EXPECT_EQ("", ShortcutOf("Stop"));
  EXPECT_EQ("", ShortcutOf("Save && Back"));
}

class AccessibleTest : public ::testing::Test {
 protected:
  AccessibleTest() { SetForegroundWindow(host_.Hwnd()); }
  ComScope com_;
  test::TestHost host_{420, 320};
  hvm::test::AccessibleEvents events_;
};

TEST_F(AccessibleTest, AnImageButtonIsAPushButtonNamedByItsCaption) {
  ImageButton button;
  ImageButton::CreateArgs args;
  args.caption = "&Repair Checked Problems";
  args.hint = "Repairs what is checked";
  args.tabStop = true;
  args.isDefault = true;
  ASSERT_TRUE(button.Create(host_.Hwnd(), args));
  int clicks = 0;
  button.onClick = [&](int) { ++clicks; };
  ComPtr<IAccessible> object = AccessibleOf(button.Hwnd());
  ASSERT_TRUE(object);
  EXPECT_EQ("Repair Checked Problems", NameOf(object.Get(), CHILDID_SELF));
  EXPECT_EQ("Repairs what is checked", DescriptionOf(object.Get(), CHILDID_SELF));
  EXPECT_EQ(ROLE_SYSTEM_PUSHBUTTON, RoleOf(object.Get(), CHILDID_SELF));
  EXPECT_EQ("Alt+R", hvm::test::ShortcutOf(object.Get(), CHILDID_SELF));
  EXPECT_EQ("Press", DefaultActionOf(object.Get(), CHILDID_SELF));
  const long state = StateOf(object.Get(), CHILDID_SELF);
  EXPECT_TRUE(state & STATE_SYSTEM_DEFAULT);
  EXPECT_TRUE(state & STATE_SYSTEM_FOCUSABLE);
  EXPECT_FALSE(state & STATE_SYSTEM_UNAVAILABLE);
  EXPECT_EQ(S_OK, object->accDoDefaultAction(Part(CHILDID_SELF)));
  EXPECT_EQ(1, clicks);

  events_.Clear();
  EnableWindow(button.Hwnd(), FALSE);
  PumpMessages();
  EXPECT_TRUE(StateOf(object.Get(), CHILDID_SELF) & STATE_SYSTEM_UNAVAILABLE);
  EXPECT_EQ((std::vector<long>{CHILDID_SELF}),
            events_.PartsWith(EVENT_OBJECT_STATECHANGE, button.Hwnd()));
  EXPECT_TRUE(FAILED(object->accDoDefaultAction(Part(CHILDID_SELF))));
  EXPECT_EQ(1, clicks) << "a disabled button is not pressed";
}

TEST_F(AccessibleTest, AButtonWithoutACaptionIsNamedByItsHint) {
  ImageButton button;
  ImageButton::CreateArgs args;
  args.hint = "Click Here to Scan";
  ASSERT_TRUE(button.Create(host_.Hwnd(), args));
  ComPtr<IAccessible> object = AccessibleOf(button.Hwnd());
  ASSERT_TRUE(object);
  EXPECT_EQ("Click Here to Scan", NameOf(object.Get(), CHILDID_SELF));
  EXPECT_EQ("", DescriptionOf(object.Get(), CHILDID_SELF)) << "the hint is not said twice";
  EXPECT_EQ("", hvm::test::ShortcutOf(object.Get(), CHILDID_SELF));
}

// A section row over two items, the checks kept as the results page keeps
// them: the section is checked when all are, partly when some are.
class TreeReaderTest : public AccessibleTest {
 protected:
  TreeReaderTest() {
    TreeView::CreateArgs args{{0, 0, 380, 260}};
    args.name = "Registry Scan Results";
    EXPECT_TRUE(tree_.Create(host_.Hwnd(), args));
    tree_.rowLook = [this](HTREEITEM, LPARAM data) { return LookOf(data); };
    tree_.onClick = [this](HTREEITEM item, RowPart part) {
      if (part == RowPart::kCheck) Toggle(item);
    };
    tree_.onKey = [this](HTREEITEM item, WORD key) {
      if (key != VK_SPACE) return false;
      Toggle(item);
      return true;
    };
    section_ = tree_.AddRow(nullptr, 0);
    first_ = tree_.AddRow(section_, 1);
    second_ = tree_.AddRow(section_, 2);
    tree_.Expand(section_, true);
    checked_ = {{1, true}, {2, false}};
    object_ = AccessibleOf(tree_.Hwnd());
  }
  int CheckedCount() { return checked_[1] + checked_[2]; }
  RowLook LookOf(LPARAM data) {
    RowLook look;
    if (data == 0) {
      look.text = "Missing class files";
      look.arrow = true;
      look.rightText = std::to_string(CheckedCount()) + " of 2 Items";
      look.check = CheckedCount() == 2   ? CheckGlyph::kChecked
                   : CheckedCount() == 0 ? CheckGlyph::kUnchecked
                                         : CheckGlyph::kPartial;
      return look;
    }
    look.text = "HKCR\\CLSID\\{" + std::to_string(data) + "}";
    look.check = checked_[data] ? CheckGlyph::kChecked : CheckGlyph::kUnchecked;
    look.dimmed = data == 2;
    if (look.dimmed) look.note = "Ignored";
    return look;
  }
  void Toggle(HTREEITEM item) {
    tree_.ChangingChecks(item, [&] {
      const LPARAM data = tree_.DataOf(item);
      if (data == 0) {
        const bool on = CheckedCount() == 0;
        checked_[1] = checked_[2] = on;
      } else {
        checked_[data] = !checked_[data];
      }
    });
  }
  // The part of the object that reads as `name`, or 0. The parts are
  // counted first, as a reader lists them before it reads them.
  long PartNamed(const std::string& name) {
    ChildCountOf(object_.Get());
    for (long part = 1; part <= 16; ++part)
      if (NameOf(object_.Get(), part) == name) return part;
    return 0;
  }

  TreeView tree_;
  std::map<LPARAM, bool> checked_;
  HTREEITEM section_{}, first_{}, second_{};
  ComPtr<IAccessible> object_;
};

TEST_F(TreeReaderTest, RowsReadAsOutlineItemsCheckedUncheckedAndMixed) {
  ASSERT_TRUE(object_);
  EXPECT_EQ("Registry Scan Results", NameOf(object_.Get(), CHILDID_SELF));
  EXPECT_EQ(ROLE_SYSTEM_OUTLINE, RoleOf(object_.Get(), CHILDID_SELF));
  EXPECT_EQ(3, ChildCountOf(object_.Get()));
  const long section = PartNamed("Missing class files");
  const long first = PartNamed("HKCR\\CLSID\\{1}");
  const long second = PartNamed("HKCR\\CLSID\\{2}");
  ASSERT_TRUE(section && first && second);

  EXPECT_EQ(ROLE_SYSTEM_OUTLINEITEM, RoleOf(object_.Get(), section));
  EXPECT_EQ("0", ValueOf(object_.Get(), section)) << "outline items tell their level";
  EXPECT_EQ("1", ValueOf(object_.Get(), first));
  EXPECT_EQ("1 of 2 Items", DescriptionOf(object_.Get(), section));
  EXPECT_EQ("Ignored", DescriptionOf(object_.Get(), second));
  const long sectionState = StateOf(object_.Get(), section);
  EXPECT_TRUE(sectionState & STATE_SYSTEM_MIXED);
  EXPECT_FALSE(sectionState & STATE_SYSTEM_CHECKED);
  EXPECT_TRUE(sectionState & STATE_SYSTEM_EXPANDED);
  EXPECT_EQ(STATE_SYSTEM_CHECKED,
            StateOf(object_.Get(), first) & (STATE_SYSTEM_CHECKED | STATE_SYSTEM_MIXED));
  EXPECT_EQ(0, StateOf(object_.Get(), second) & (STATE_SYSTEM_CHECKED | STATE_SYSTEM_MIXED));
  EXPECT_FALSE(StateOf(object_.Get(), first) & (STATE_SYSTEM_EXPANDED | STATE_SYSTEM_COLLAPSED))
      << "a row without rows of its own is neither open nor closed";
  EXPECT_EQ("Uncheck", DefaultActionOf(object_.Get(), first));
  EXPECT_EQ("Check", DefaultActionOf(object_.Get(), second));

  // Closed, the section's rows are out of reach and the section says so.
  events_.Clear();
  tree_.Expand(section_, false);
  PumpMessages();
  EXPECT_EQ(1, ChildCountOf(object_.Get()));
  EXPECT_TRUE(StateOf(object_.Get(), section) & STATE_SYSTEM_COLLAPSED);
  EXPECT_EQ((std::vector<long>{section}),
            events_.PartsWith(EVENT_OBJECT_STATECHANGE, tree_.Hwnd()));
}

TEST_F(TreeReaderTest, TheDefaultActionChecksAndTellsWhichRowsChanged) {
  ASSERT_TRUE(object_);
  const long section = PartNamed("Missing class files");
  const long first = PartNamed("HKCR\\CLSID\\{1}");
  const long second = PartNamed("HKCR\\CLSID\\{2}");
  events_.Clear();
  EXPECT_EQ(S_OK, object_->accDoDefaultAction(Part(second)));
  PumpMessages();
  EXPECT_TRUE(checked_[2]);
  EXPECT_TRUE(StateOf(object_.Get(), second) & STATE_SYSTEM_CHECKED);
  EXPECT_TRUE(StateOf(object_.Get(), section) & STATE_SYSTEM_CHECKED) << "all checked now";
  EXPECT_EQ((std::vector<long>{second, section}),
            events_.PartsWith(EVENT_OBJECT_STATECHANGE, tree_.Hwnd()));

  // The section's own action unchecks it and both of its rows.
  events_.Clear();
  EXPECT_EQ(S_OK, object_->accDoDefaultAction(Part(section)));
  PumpMessages();
  EXPECT_EQ(0, CheckedCount());
  EXPECT_EQ((std::vector<long>{section, first, second}),
            events_.PartsWith(EVENT_OBJECT_STATECHANGE, tree_.Hwnd()));
  EXPECT_EQ(0, StateOf(object_.Get(), section) & (STATE_SYSTEM_CHECKED | STATE_SYSTEM_MIXED));
}

TEST_F(TreeReaderTest, TheFocusEventNamesTheRowTheKeyboardMovedTo) {
  ASSERT_TRUE(object_);
  SetFocus(tree_.Hwnd());
  PumpMessages();
  ASSERT_EQ(section_, tree_.Selected()) << "the focus lands on a row, never on none";
  events_.Clear();
  PostMessageA(tree_.Hwnd(), WM_KEYDOWN, VK_DOWN, 0);
  PumpMessages();
  ASSERT_EQ(first_, tree_.Selected());
  const std::vector<long> focused = events_.PartsWith(EVENT_OBJECT_FOCUS, tree_.Hwnd());
  ASSERT_FALSE(focused.empty());
  EXPECT_EQ("HKCR\\CLSID\\{1}", NameOf(object_.Get(), focused.back()));
  EXPECT_EQ(focused.back(), hvm::test::FocusOf(object_.Get()));
  EXPECT_TRUE(StateOf(object_.Get(), focused.back()) & STATE_SYSTEM_FOCUSED);

  // Space checks the focused row and says so.
  events_.Clear();
  PostMessageA(tree_.Hwnd(), WM_KEYDOWN, VK_SPACE, 0);
  PumpMessages();
  EXPECT_FALSE(checked_[1]);
  const std::vector<long> changed = events_.PartsWith(EVENT_OBJECT_STATECHANGE, tree_.Hwnd());
  ASSERT_FALSE(changed.empty());
  EXPECT_EQ(focused.back(), changed.front());
}

TEST_F(TreeReaderTest, UnknownPartsAreRefusedAndAGoneWindowIsDisconnected) {
  ASSERT_TRUE(object_);
  BSTR name = nullptr;
  EXPECT_EQ(E_INVALIDARG, object_->get_accName(Part(999), &name));
  VARIANT text;
  VariantInit(&text);
  text.vt = VT_BSTR;
  text.bstrVal = nullptr;
  EXPECT_EQ(E_INVALIDARG, object_->get_accName(text, &name));
  tree_.Clear();
  EXPECT_EQ(0, ChildCountOf(object_.Get()));
  DestroyWindow(tree_.Hwnd());
  EXPECT_EQ(RPC_E_DISCONNECTED, object_->get_accName(Part(CHILDID_SELF), &name));
  EXPECT_EQ(nullptr, name);
}

TEST_F(AccessibleTest, CheckListRowsReadWithTheirChecksAndTellTheirChanges) {
  CheckList list;
  CheckList::CreateArgs args{{10, 10, 300, 200}};
  args.name = "Contents of Snapshot";
  ASSERT_TRUE(list.Create(host_.Hwnd(), args));
  list.AddHeader("HKEY_CURRENT_USER");
  list.AddItem("Software\\Gone", true);
  list.AddItem("Software\\Old", false);
  std::vector<std::pair<int, bool>> toggled;
  list.onToggled = [&](int index, bool on) { toggled.push_back({index, on}); };
  ComPtr<IAccessible> object = AccessibleOf(list.Hwnd());
  ASSERT_TRUE(object);
  EXPECT_EQ("Contents of Snapshot", NameOf(object.Get(), CHILDID_SELF));
  EXPECT_EQ(ROLE_SYSTEM_LIST, RoleOf(object.Get(), CHILDID_SELF));
  EXPECT_EQ(3, ChildCountOf(object.Get()));
  EXPECT_EQ("HKEY_CURRENT_USER", NameOf(object.Get(), 1));
  EXPECT_EQ("", DefaultActionOf(object.Get(), 1)) << "a header has nothing to check";
  EXPECT_TRUE(FAILED(object->accDoDefaultAction(Part(1))));
  EXPECT_EQ(ROLE_SYSTEM_LISTITEM, RoleOf(object.Get(), 2));
  EXPECT_TRUE(StateOf(object.Get(), 2) & STATE_SYSTEM_CHECKED);
  EXPECT_FALSE(StateOf(object.Get(), 3) & STATE_SYSTEM_CHECKED);

  events_.Clear();
  EXPECT_EQ(S_OK, object->accDoDefaultAction(Part(3)));
  PumpMessages();
  EXPECT_TRUE(list.IsChecked(2));
  EXPECT_EQ((std::vector<std::pair<int, bool>>{{2, true}}), toggled);
  EXPECT_EQ((std::vector<long>{3}), events_.PartsWith(EVENT_OBJECT_STATECHANGE, list.Hwnd()));

  // The keyboard moves the row: the focus event names it.
  SetFocus(list.Hwnd());
  list.Select(1);
  events_.Clear();
  PostMessageA(list.Hwnd(), WM_KEYDOWN, VK_DOWN, 0);
  PumpMessages();
  ASSERT_EQ(2, list.Selected());
  const std::vector<long> focused = events_.PartsWith(EVENT_OBJECT_FOCUS, list.Hwnd());
  ASSERT_FALSE(focused.empty());
  EXPECT_EQ("Software\\Old", NameOf(object.Get(), focused.back()));
}

TEST_F(AccessibleTest, AProgressBarTellsItsPercentageAsItsValue) {
  ProgressBar bar;
  ASSERT_TRUE(bar.Create(host_.Hwnd(), {{10, 10, 210, 30}, 200, "Scan progress"}));
  ComPtr<IAccessible> object = AccessibleOf(bar.Hwnd());
  ASSERT_TRUE(object);
  EXPECT_EQ("Scan progress", NameOf(object.Get(), CHILDID_SELF));
  EXPECT_EQ(ROLE_SYSTEM_PROGRESSBAR, RoleOf(object.Get(), CHILDID_SELF));
  EXPECT_EQ("0%", ValueOf(object.Get(), CHILDID_SELF));
  events_.Clear();
  bar.SetPosition(90);
  bar.SetPosition(91);  // still 45%: nothing new to tell
  PumpMessages();
  EXPECT_EQ("45%", ValueOf(object.Get(), CHILDID_SELF));
  EXPECT_EQ((std::vector<long>{CHILDID_SELF}),
            events_.PartsWith(EVENT_OBJECT_VALUECHANGE, bar.Hwnd()));
}

TEST_F(AccessibleTest, TheHtmlViewReadsLinesAndLinksAndListsItsControls) {
  HtmlView view;
  ASSERT_TRUE(view.Create(host_.Hwnd(), {{0, 0, 400, 300}}));
  view.createControl = [](HtmlView& target, const EmbeddedControlRequest&) {
    return CreateWindowExA(0, "BUTTON", "Scan", WS_CHILD | WS_VISIBLE, 0, 0, 80, 24, target.Hwnd(),
                           nullptr, GetModuleHandleA(nullptr), nullptr);
  };
  std::vector<std::string> followed;
  view.onLink = [&](const std::string& href) { followed.push_back(href); };
  view.LoadHtml(
      "<html><head><title>Health</title></head><body><p>Last scan: <b>today</b></p>"
      "<p><a href=\"https://example.org/\">Our web site</a></p>"
      "<input type=\"user\" name=\"100\"></body></html>");
  ComPtr<IAccessible> object = AccessibleOf(view.Hwnd());
  ASSERT_TRUE(object);
  EXPECT_EQ("Health", NameOf(object.Get(), CHILDID_SELF));
  EXPECT_EQ(ROLE_SYSTEM_DOCUMENT, RoleOf(object.Get(), CHILDID_SELF));
  EXPECT_EQ("Last scan: today", NameOf(object.Get(), 1));
  EXPECT_EQ(ROLE_SYSTEM_STATICTEXT, RoleOf(object.Get(), 1));
  EXPECT_EQ("Our web site", NameOf(object.Get(), 2));
  EXPECT_EQ(ROLE_SYSTEM_LINK, RoleOf(object.Get(), 2));
  EXPECT_EQ("Jump", DefaultActionOf(object.Get(), 2));
  EXPECT_EQ(3, ChildCountOf(object.Get())) << "two parts and the embedded button";
  EXPECT_EQ(S_OK, object->accDoDefaultAction(Part(2)));
  EXPECT_EQ((std::vector<std::string>{"https://example.org/"}), followed);
  EXPECT_TRUE(FAILED(object->accDoDefaultAction(Part(1)))) << "text is not a link";

  // The children as a reader lists them: the parts, then the button's window.
  ComPtr<IEnumVARIANT> children;
  ASSERT_EQ(S_OK, object->QueryInterface(__uuidof(IEnumVARIANT),
                                         reinterpret_cast<void**>(children.Receive())));
  VARIANT listed[4];
  ULONG fetched = 0;
  EXPECT_EQ(S_FALSE, children->Next(4, listed, &fetched));
  ASSERT_EQ(3u, fetched);
  EXPECT_EQ(VT_I4, listed[0].vt);
  EXPECT_EQ(VT_I4, listed[1].vt);
  EXPECT_EQ(VT_DISPATCH, listed[2].vt);
  for (ULONG i = 0; i < fetched; ++i) VariantClear(&listed[i]);
}

TEST_F(AccessibleTest, ALinkLabelIsALinkThatTheKeyboardPresses) {
  SetWindowLongPtrA(host_.Hwnd(), GWL_EXSTYLE,
                    GetWindowLongPtrA(host_.Hwnd(), GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
  Label link;
  Label::CreateArgs args{"Run Scan &Again ", {10, 10, 150, 30}};
  args.mnemonic = true;
  args.link = true;
  ASSERT_TRUE(link.Create(host_.Hwnd(), args));
  Label plain;
  ASSERT_TRUE(plain.Create(host_.Hwnd(), {"Last Scan Date:", {10, 50, 150, 70}}));
  int pressed = 0;
  link.onClick = [&] { ++pressed; };
  ComPtr<IAccessible> object = AccessibleOf(link.Hwnd());
  ASSERT_TRUE(object);
  EXPECT_EQ("Run Scan Again", NameOf(object.Get(), CHILDID_SELF));
  EXPECT_EQ(ROLE_SYSTEM_LINK, RoleOf(object.Get(), CHILDID_SELF));
  EXPECT_EQ("Alt+A", hvm::test::ShortcutOf(object.Get(), CHILDID_SELF));
  ComPtr<IAccessible> text = AccessibleOf(plain.Hwnd());
  ASSERT_TRUE(text);
  EXPECT_NE(ROLE_SYSTEM_LINK, RoleOf(text.Get(), CHILDID_SELF)) << "a plain label keeps its own";

  EXPECT_TRUE(GetWindowLongA(link.Hwnd(), GWL_STYLE) & WS_TABSTOP);
  SetFocus(link.Hwnd());
  PostMessageA(link.Hwnd(), WM_KEYDOWN, VK_RETURN, 0);
  PumpMessages();
  PostMessageA(link.Hwnd(), WM_KEYDOWN, VK_SPACE, 0);
  PumpMessages();
  SetFocus(host_.Hwnd());
  PostMessageA(host_.Hwnd(), WM_SYSCHAR, 'a', 1 << 29);
  PumpMessages();
  EXPECT_EQ(3, pressed) << "Enter, Space and Alt+A";
  EXPECT_EQ(link.Hwnd(), GetFocus());
}

}  // namespace
}  // namespace hvm::ui
