// The eighteen constant lists, and the layout call that hands a list to the framework's reader.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "framework/plist.h"
#include "framework/ui.h"
#include "shell/layout.h"
#include "shell/property_lists.h"

namespace {

using namespace shell::lists;

// Records every entry the reader hands over, accepting any key.
class RecordingTarget : public fw::PropertyTarget {
 public:
  std::vector<std::string> keys;
  std::vector<fw::PropertyValue> values;
  bool SetProperty(std::string_view key, const fw::PropertyValue& value) override {
    keys.emplace_back(key);
    values.push_back(value);
    return true;
  }
};

const std::vector<std::string> kCommon = {"Name",     "Index",    "Left",      "Top",
                                          "Width",    "Height",   "LockLeft",  "LockTop",
                                          "LockRight", "LockBottom", "TabPanelIndex", "TabIndex"};

std::vector<std::string> ControlKeys(std::vector<std::string> tail) {
  std::vector<std::string> keys = kCommon;
  keys.insert(keys.end(), tail.begin(), tail.end());
  return keys;
}

const std::vector<std::string> kWindowKeys = {
    "Placement",  "Width",      "Height",         "MinWidth",    "MinHeight",  "MaxWidth",
    "MaxHeight",  "Frame",      "Composite",      "HasBackColor", "BackColor", "Title",
    "Visible",    "FullScreen", "MenuBarVisible", "CloseButton", "Resizeable", "LiveResize",
    "MaximizeButton", "MinimizeButton", "MacProcID"};
const std::vector<std::string> kGroupBoxKeys =
    ControlKeys({"Caption", "Enabled", "Visible", "HelpTag", "AutoDeactivate", "TextFont", "Bold",
                 "Italic", "Underline", "InitialParent"});
const std::vector<std::string> kStaticTextKeys = ControlKeys(
    {"Text", "TextAlign", "TextColor", "Multiline", "Enabled", "Visible", "HelpTag",
     "AutoDeactivate", "TextFont", "Bold", "Italic", "Underline", "DataSource", "DataField",
     "InitialParent"});
const std::vector<std::string> kTextFieldKeys = ControlKeys(
    {"TabStop", "Border", "Password", "UseFocusRing", "TextColor", "BackColor", "Enabled",
     "Format", "Visible", "HelpTag", "AutoDeactivate", "TextFont", "Bold", "Italic", "Underline",
     "CueText", "Text", "Mask", "ReadOnly", "LimitText", "AcceptTabs", "Alignment", "DataSource",
     "DataField"});
const std::vector<std::string> kPushButtonKeys = ControlKeys(
    {"TabStop", "Caption", "Default", "Cancel", "Enabled", "Visible", "HelpTag", "AutoDeactivate",
     "TextFont", "Bold", "Italic", "Underline", "InitialParent"});
const std::vector<std::string> kCanvasKeys = ControlKeys(
    {"TabStop", "Visible", "HelpTag", "AutoDeactivate", "Enabled", "UseFocusRing", "AcceptFocus",
     "AcceptTabs", "DoubleBuffer", "EraseBackground", "InitialParent"});
const std::vector<std::string> kProgressWheelKeys = ControlKeys(
    {"TabStop", "InitialParent", "Visible", "HelpTag", "AutoDeactivate", "Enabled"});
const std::vector<std::string> kCheckBoxKeys = ControlKeys(
    {"TabStop", "Caption", "Enabled", "Visible", "HelpTag", "AutoDeactivate", "TextFont", "Bold",
     "Italic", "Underline", "State", "Value", "DataSource", "DataField", "InitialParent"});

struct ListCase {
  const char* label;
  const fw::PropertyList& list;
  const fw::ClassRecord* (*record)();
  const std::vector<std::string>& keys;
  const char* name;  // the control's Name entry; nullptr for a window list
  std::size_t entries;
  std::size_t bytes;
};

TEST(PropertyLists, EveryListHasItsClassKeysLengthAndAppliesToItsClass) {
  const ListCase cases[] = {
      {"MainWindow", kMainWindow, &fw::Window::Record, kWindowKeys, nullptr, 21, 283},
      {"GroupBox1", kMainWindow_GroupBox1, &fw::GroupBox::Record, kGroupBoxKeys, "GroupBox1", 22, 298},
      {"StaticText2", kMainWindow_StaticText2, &fw::StaticText::Record, kStaticTextKeys, "StaticText2", 27, 342},
      {"StaticText1", kMainWindow_StaticText1, &fw::StaticText::Record, kStaticTextKeys, "StaticText1", 27, 342},
      {"txt_pass", kMainWindow_txt_pass, &fw::TextField::Record, kTextFieldKeys, "txt_pass", 36, 437},
      {"btn_connect", kMainWindow_btn_connect, &fw::PushButton::Record, kPushButtonKeys, "btn_connect", 25, 294},
      {"btn_cancel", kMainWindow_btn_cancel, &fw::PushButton::Record, kPushButtonKeys, "btn_cancel", 25, 292},
      {"txt_user", kMainWindow_txt_user, &fw::TextField::Record, kTextFieldKeys, "txt_user", 36, 437},
      {"Canvas1", kMainWindow_Canvas1, &fw::Canvas::Record, kCanvasKeys, "Canvas1", 23, 280},
      {"kdProgress", kMainWindow_kdProgress, &fw::ProgressWheel::Record, kProgressWheelKeys, "kdProgress", 18, 220},
      {"chk_pw", kMainWindow_chk_pw, &fw::CheckBox::Record, kCheckBoxKeys, "chk_pw", 27, 340},
      {"chk_control", kMainWindow_chk_control, &fw::CheckBox::Record, kCheckBoxKeys, "chk_control", 27, 331},
      {"txt_forget", kMainWindow_txt_forget, &fw::StaticText::Record, kStaticTextKeys, "txt_forget", 27, 359},
      {"AboutWindow", kAboutWindow, &fw::Window::Record, kWindowKeys, nullptr, 21, 289},
      {"About Canvas1", kAboutWindow_Canvas1, &fw::Canvas::Record, kCanvasKeys, "Canvas1", 23, 280},
      {"About StaticText1", kAboutWindow_StaticText1, &fw::StaticText::Record, kStaticTextKeys, "StaticText1", 27, 341},
      {"About StaticText2", kAboutWindow_StaticText2, &fw::StaticText::Record, kStaticTextKeys, "StaticText2", 27, 439},
      {"About VerTxt", kAboutWindow_VerTxt, &fw::StaticText::Record, kStaticTextKeys, "VerTxt", 27, 327},
  };
  for (const ListCase& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(c.list.entries, c.entries);
    EXPECT_EQ(c.list.bytes.size(), c.bytes);

    RecordingTarget rec;
    shell::SetProperties(rec, c.list);
    EXPECT_EQ(rec.keys, c.keys);

    // Every key exists on the framework class the list is meant for.
    fw::Ref<fw::Object> obj = fw::RuntimeNewObject(c.record());
    auto* target = dynamic_cast<fw::PropertyBag*>(obj.get());
    ASSERT_NE(target, nullptr);
    EXPECT_NO_THROW(shell::SetProperties(*target, c.list));
    if (c.name) {
      EXPECT_EQ(target->Text("Name"), fw::String(c.name));
      EXPECT_EQ(target->Int("Index"), INT_MIN);
    }
  }
}

TEST(PropertyLists, MakerNoticeIsTwoLinesOfTwelveAndHundredCharacters) {
  fw::String notice(kMakerNotice);
  EXPECT_EQ(fw::Len(notice), 113);
  EXPECT_EQ(notice.ByteLength(), 114u);
  EXPECT_EQ(fw::InStr(1, notice, "\r"), 13);
  EXPECT_EQ(fw::InStr(14, notice, "\r"), 0);
  EXPECT_NE(fw::InStr(1, notice, "Keldara Launcher"), 0);
}

FW_PROPERTY_LIST(kRoundTrip, fw::plist::I("Index", INT_MIN), fw::plist::T("Text", "a\rb"),
                 fw::plist::T("HelpTag", ""), fw::plist::T("DataSource", "Gr\xC3\xBC\xC3\x9F" "e \xE2\x9C\x93"),
                 fw::plist::C("TextColor", 1, 2, 3), fw::plist::B("Multiline", true),
                 fw::plist::I("Left", 473));

TEST(PropertyLists, ReaderGivesBackWhatTheEncoderWrote) {
  const std::string_view b = kRoundTrip.bytes;
  EXPECT_EQ(b.substr(0, 10), std::string_view("Index \x80\x00\x00\x00", 10));
  EXPECT_NE(b.find(std::string_view("Text \x00\x00\x00\x03" "a\rb", 12)), std::string_view::npos);
  EXPECT_NE(b.find(std::string_view("HelpTag \x00\x00\x00\x00", 12)), std::string_view::npos);
  EXPECT_NE(b.find(std::string_view("Left \x00\x00\x01\xD9", 9)), std::string_view::npos);

  fw::Ref<fw::StaticText> label = fw::RuntimeCheckCast<fw::StaticText>(
      fw::RuntimeNewObject(fw::StaticText::Record()), fw::StaticText::Record());
  ASSERT_TRUE(label);
  label->SetProperty("HelpTag", fw::String("stale"));
  shell::SetProperties(*label, kRoundTrip);
  EXPECT_EQ(label->Int("Index"), INT_MIN);
  EXPECT_EQ(label->Text("Text"), fw::String("a\rb"));
  EXPECT_TRUE(label->Text("HelpTag").IsEmpty());
  fw::String utf8 = label->Text("DataSource");
  EXPECT_EQ(utf8.ByteLength(), 11u);
  EXPECT_EQ(fw::Len(utf8), 7);
  EXPECT_EQ(label->ColorValue("TextColor"), (fw::Color{1, 2, 3}));
  EXPECT_TRUE(label->Bool("MultiLine"));
  EXPECT_EQ(label->Int("Left"), 473);
}

TEST(PropertyLists, ReaderRefusesBadListsNamingKeyAndOffset) {
  using E = fw::PropertyListError;
  const std::string window(kMainWindow.bytes);
  struct Case {
    const char* label;
    std::string bytes;
    const fw::ClassRecord* (*record)();
    E error;
    std::string key;
    std::size_t offset;
  };
  const Case cases[] = {
      {"ends inside the last value", window.substr(0, window.size() - 1), &fw::Window::Record,
       E::Truncated, "MacProcID", 269},
      {"ends inside a key", window.substr(0, 17), &fw::Window::Record, E::Truncated, "Wid", 14},
      {"text count runs past the end", std::string("Width \0\0\0\1Title \0\0\0\x10" "abc", 23),
       &fw::Window::Record, E::Truncated, "Title", 10},
      {"unknown key", std::string("Width \0\0\0\1Colour \1\2\3", 20), &fw::Window::Record,
       E::UnknownKey, "Colour", 10},
      {"key the class lacks", std::string("Text \0\0\0\0Caption \0\0\0\0", 21),
       &fw::StaticText::Record, E::KeyNotInClass, "Caption", 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fw::Ref<fw::Object> obj = fw::RuntimeNewObject(c.record());
    auto* target = dynamic_cast<fw::PropertyBag*>(obj.get());
    ASSERT_NE(target, nullptr);
    fw::PropertyList list{c.bytes, 0};
    try {
      shell::SetProperties(*target, list);
      ADD_FAILURE() << "list accepted";
    } catch (const fw::PropertyListException& e) {
      EXPECT_EQ(e.error(), c.error);
      EXPECT_EQ(e.key(), c.key);
      EXPECT_EQ(e.offset(), c.offset);
      const std::string what = e.what();
      EXPECT_NE(what.find(c.key), std::string::npos) << what;
      EXPECT_NE(what.find(std::to_string(c.offset)), std::string::npos) << what;
    }
  }
}

}  // namespace
