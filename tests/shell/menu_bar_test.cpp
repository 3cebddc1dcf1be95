// The one menu bar: the tree the user meets and its single instance.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/kd_menu_bar.h"

namespace {

class MenuBarTest : public ::testing::Test {
 protected:
  void SetUp() override { KDMenuBar::implicitInstance_Exit(); }
  void TearDown() override { KDMenuBar::implicitInstance_Exit(); }
};

/// The tree below `item`, one line per entry, indented by depth: "-" for a separator, else the
/// name commands find it by, its text and its shortcut.
void Outline(const fw::MenuItem& item, const std::string& indent, std::vector<std::string>& out) {
  for (int32_t i = 0; i < item.Count(); ++i) {
    const fw::MenuItem& child = *item.Item(i);
    std::string line = indent + "-";
    if (!child.IsSeparator()) {
      line = indent + child.name.Bytes() + " " + child.text.Bytes();
      if (!child.keyboardShortcut.IsEmpty()) line += " " + child.keyboardShortcut.Bytes();
    }
    out.push_back(line);
    Outline(child, indent + "  ", out);
  }
}

TEST_F(MenuBarTest, EditMenuHoldsTheEditCommandsAndAbout) {
  std::vector<std::string> outline;
  Outline(*KDMenuBar_KDMenuBar(), "", outline);
  EXPECT_EQ(outline, (std::vector<std::string>{
                         "EditMenu &Edit",
                         "  EditUndo &Undo Cmd+Z",
                         "  -",
                         "  EditCut Cu&t Cmd+X",
                         "  EditCopy &Copy Cmd+C",
                         "  EditPaste &Paste Cmd+V",
                         "  EditClear &Delete",
                         "  -",
                         "  EditSelectAll Select &All Cmd+A",
                         "  -",
                         "  AboutKeldaraLauncher About Keldara Launcher",
                     }));
}

TEST_F(MenuBarTest, OneInstanceUntilReleased) {
  fw::Ref<KDMenuBar> first = KDMenuBar_KDMenuBar();
  fw::Ref<KDMenuBar> second = KDMenuBar_KDMenuBar();
  EXPECT_EQ(first, second);
  EXPECT_EQ(KDMenuBar::_implicitInstance, first);

  std::weak_ptr<KDMenuBar> watch = first;
  first.reset();
  second.reset();
  KDMenuBar::implicitInstance_Exit();
  EXPECT_EQ(KDMenuBar::_implicitInstance, nullptr);
  EXPECT_TRUE(watch.expired());
  EXPECT_NE(KDMenuBar_KDMenuBar(), nullptr);  // a later call starts afresh
}

}  // namespace
