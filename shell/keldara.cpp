#include "shell/keldara.h"

#include "framework/object.h"
#include "framework/runtime.h"
#include "shell/about_window.h"

const fw::ClassRecord* Keldara::ctbl = nullptr;

void Keldara::ctblinit() {
  if (ctbl) return;
  fw::ClassRecord def;
  def.name = "Keldara";
  def.base = fw::Application::Record();
  def.operations = {"_AboutKeldaraLauncher_Action"};
  def.attributes = {{"_AboutKeldaraLauncher_Action", "%b%", "__Scope", "Public"}};
  def.allocate = [] { return fw::MakeObject<Keldara>(Keldara::ctbl); };
  fw::RuntimeNewClass(ctbl, std::move(def));
}

const fw::ClassRecord* Keldara::Lookup() {
  if (!ctbl) ctblinit();
  return ctbl;
}

fw::Ref<Keldara> App() {
  return fw::RuntimeCheckCast<Keldara>(fw::GetAppObject(), Keldara::Lookup());
}

bool Keldara::AboutKeldaraLauncher_Action() {
  if (fw::WindowCount() < 2) {
    const fw::ClassRecord* cls = AboutWindow::Lookup();
    fw::Ref<AboutWindow> w = fw::RuntimeCheckCast<AboutWindow>(fw::RuntimeNewObject(cls), cls);
    if (!w) fw::RaiseNilObjectException();
    w->Constructor();
    w->Show();
    // Not kept: the window list holds the window from here on.
  }
  return true;
}
