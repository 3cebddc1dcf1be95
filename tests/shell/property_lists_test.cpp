// The constant lists, and the layout call that hands a list to the framework's reader.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "framework/plist.h"
#include "framework/ui.h"
#include "shell/layout.h"
#include "shell/property_lists.h"

namespace {

using namespace shell::lists;

TEST(PropertyLists, EveryListAppliesToItsClass) {
  const struct {
    const char* label;
    const fw::PropertyList& list;
    const fw::ClassRecord* (*record)();
  } cases[] = {
      {"MainWindow", kMainWindow, &fw::Window::Record},
      {"GroupBox1", kMainWindow_GroupBox1, &fw::GroupBox::Record},
      {"StaticText2", kMainWindow_StaticText2, &fw::StaticText::Record},
      {"StaticText1", kMainWindow_StaticText1, &fw::StaticText::Record},
      {"txt_pass", kMainWindow_txt_pass, &fw::TextField::Record},
      {"btn_connect", kMainWindow_btn_connect, &fw::PushButton::Record},
      {"btn_cancel", kMainWindow_btn_cancel, &fw::PushButton::Record},
      {"txt_user", kMainWindow_txt_user, &fw::TextField::Record},
      {"Canvas1", kMainWindow_Canvas1, &fw::Canvas::Record},
      {"kdProgress", kMainWindow_kdProgress, &fw::ProgressWheel::Record},
      {"chk_pw", kMainWindow_chk_pw, &fw::CheckBox::Record},
      {"chk_control", kMainWindow_chk_control, &fw::CheckBox::Record},
      {"txt_forget", kMainWindow_txt_forget, &fw::StaticText::Record},
      {"AboutWindow", kAboutWindow, &fw::Window::Record},
      {"About Canvas1", kAboutWindow_Canvas1, &fw::Canvas::Record},
      {"About StaticText1", kAboutWindow_StaticText1, &fw::StaticText::Record},
      {"About StaticText2", kAboutWindow_StaticText2, &fw::StaticText::Record},
      {"About VerTxt", kAboutWindow_VerTxt, &fw::StaticText::Record},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    fw::Ref<fw::Object> obj = fw::RuntimeNewObject(c.record());
    auto* target = dynamic_cast<fw::PropertyBag*>(obj.get());
    ASSERT_NE(target, nullptr);
    EXPECT_NO_THROW(shell::SetProperties(*target, c.list));  // every key exists on the class
  }
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
  struct Case {
    const char* label;
    std::string bytes;
    const fw::ClassRecord* (*record)();
    E error;
    std::string key;
    std::size_t offset;
  };
  const Case cases[] = {
      {"ends inside the last value", std::string("Width \0\0\0\1Left \0\0\1", 18),
       &fw::Window::Record, E::Truncated, "Left", 10},
      {"ends after a key's space", std::string("Width \0\0\0\1Visible ", 18), &fw::Window::Record,
       E::Truncated, "Visible", 10},
      {"ends inside a key", std::string("Width \0\0\0\1Wid", 13), &fw::Window::Record,
       E::Truncated, "Wid", 10},
      {"text count runs past the end", std::string("Width \0\0\0\1Title \0\0\0\x10" "abc", 23),
       &fw::Window::Record, E::Truncated, "Title", 10},
      {"key not followed by a space", std::string("Width \0\0\0\1Left\0\0\0\1", 18),
       &fw::Window::Record, E::BadKey, "Left", 10},
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
