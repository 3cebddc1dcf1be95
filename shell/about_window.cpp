#include "shell/about_window.h"

#include "framework/object.h"
#include "shell/keldara.h"
#include "shell/layout.h"
#include "shell/property_lists.h"

fw::ClassRecord AboutWindow::Define() {
  fw::ClassRecord def;
  def.name = "AboutWindow.AboutWindow";
  def.operations = {"Layout", "CreateControls", "CreateControls0", "Event_Open"};
  def.attributes = {
      {"", "", "__Scope", "Public"},
      {"Layout", "%%", "__Scope", "Public"},
      {"CreateControls", "%%", "__Scope", "Public"},
      {"CreateControls0", "%%", "__Scope", "Public"},
      {"CreateControls0", "%%", "Hidden", ""},
      {"Event_Open", "%%", "__Scope", "Public"},
      {"Canvas1", "Canvas", "__Scope", "Public"},
      {"StaticText1", "StaticText", "__Scope", "Public"},
      {"StaticText2", "StaticText", "__Scope", "Public"},
      {"VerTxt", "StaticText", "__Scope", "Public"},
  };
  return def;
}

void AboutWindow::Layout() { shell::SetProperties(*this, shell::lists::kAboutWindow); }

void AboutWindow::CreateControls() { CreateControls0(); }

void AboutWindow::CreateControls0() {
  namespace lists = shell::lists;
  shell::CreateControl(*this, fw::Canvas::Record(), "Canvas1", lists::kAboutWindow_Canvas1,
                       {.backdrop = true});
  shell::CreateControl(*this, fw::StaticText::Record(), "StaticText1",
                       lists::kAboutWindow_StaticText1, {.textUnit = 0});
  shell::CreateControl(*this, fw::StaticText::Record(), "StaticText2",
                       lists::kAboutWindow_StaticText2, {.textSize = 11.0f, .textUnit = 2});
  shell::CreateControl(*this, fw::StaticText::Record(), "VerTxt", lists::kAboutWindow_VerTxt,
                       {.textSize = 11.0f, .textUnit = 2});
}

void AboutWindow::Event_Open() {
  fw::Ref<Keldara> app = App();
  if (!app) fw::RaiseNilObjectException();
  fw::String version = app->ShortVersion();
  fw::Ref<fw::StaticText> label = shell::Find<fw::StaticText>(*this, "VerTxt");
  label->SetText(fw::String("Version: ") + version + fw::String(" Universal"));
}
