// The one menu bar: its fixed tree and its single instance.
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>

#include "shell/kd_menu_bar.h"

namespace {

class MenuBarTest : public ::testing::Test {
 protected:
  void SetUp() override { KDMenuBar::implicitInstance_Exit(); }
  void TearDown() override { KDMenuBar::implicitInstance_Exit(); }
};

TEST_F(MenuBarTest, TreeHasTheEditMenuWithItsTenItemsInOrder) {
  struct Row {
    const char* name;
    const char* text;
    std::optional<std::string> shortcut;  // nullopt: never set
    bool about;
  };
  const Row rows[] = {
      {"EditUndo", "&Undo", "Cmd+Z", false},
      {"UntitledMenu1", "-", std::nullopt, false},
      {"EditCut", "Cu&t", "Cmd+X", false},
      {"EditCopy", "&Copy", "Cmd+C", false},
      {"EditPaste", "&Paste", "Cmd+V", false},
      {"EditClear", "&Delete", "", false},
      {"UntitledMenu0", "-", std::nullopt, false},
      {"EditSelectAll", "Select &All", "Cmd+A", false},
      {"UntitledSeparator", "-", std::nullopt, false},
      {"AboutKeldaraLauncher", "About Keldara Launcher", "", true},
  };

  fw::Ref<KDMenuBar> bar = KDMenuBar_KDMenuBar();
  ASSERT_TRUE(bar);
  EXPECT_EQ(bar->Class(), KDMenuBar::Lookup());
  EXPECT_EQ(bar->Class()->name, "KDMenuBar.KDMenuBar");
  EXPECT_TRUE(bar->Class()->IsA(fw::MenuBar::Record()));
  EXPECT_TRUE(bar->name.IsEmpty());
  EXPECT_FALSE(bar->keyboardShortcutSet);

  ASSERT_EQ(bar->Count(), 1);
  fw::Ref<fw::MenuItem> edit = bar->Item(0);
  EXPECT_EQ(edit->name, fw::String("EditMenu"));
  EXPECT_EQ(edit->text, fw::String("&Edit"));
  EXPECT_TRUE(edit->keyboardShortcutSet);
  EXPECT_TRUE(edit->keyboardShortcut.IsEmpty());
  EXPECT_TRUE(edit->autoEnable);
  EXPECT_EQ(edit->Class(), fw::MenuItem::Record());

  ASSERT_EQ(edit->Count(), 10);
  std::set<std::string> names{"EditMenu"};
  for (int32_t i = 0; i < 10; ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(row.name);
    fw::Ref<fw::MenuItem> item = edit->Item(i);
    EXPECT_EQ(item->name, fw::String(row.name));
    EXPECT_EQ(item->text, fw::String(row.text));
    EXPECT_EQ(item->keyboardShortcutSet, row.shortcut.has_value());
    if (row.shortcut) {
      EXPECT_EQ(item->keyboardShortcut, fw::String(*row.shortcut));
    }
    EXPECT_TRUE(item->autoEnable);
    EXPECT_EQ(item->Count(), 0);
    EXPECT_EQ(item->Class(), row.about ? fw::AppleMenuItem::Record() : fw::MenuItem::Record());
    EXPECT_TRUE(names.insert(item->name.Bytes()).second) << "duplicate name";
  }
}

TEST_F(MenuBarTest, OneInstanceUntilReleased) {
  fw::Ref<KDMenuBar> first = KDMenuBar_KDMenuBar();
  fw::Ref<KDMenuBar> second = KDMenuBar_KDMenuBar();
  EXPECT_EQ(first, second);
  EXPECT_EQ(KDMenuBar::_implicitInstance, first);
  EXPECT_EQ(first->Count(), 1);
  EXPECT_EQ(first->Item(0)->Count(), 10);

  std::weak_ptr<KDMenuBar> watch = first;
  first.reset();
  second.reset();
  KDMenuBar::implicitInstance_Exit();
  EXPECT_EQ(KDMenuBar::_implicitInstance, nullptr);
  EXPECT_TRUE(watch.expired());
  EXPECT_NE(KDMenuBar_KDMenuBar(), nullptr);  // a later call starts afresh
}

}  // namespace
