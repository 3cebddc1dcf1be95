#include "shell/keldara.h"

#include "framework/object.h"
#include "framework/runtime.h"
#include "framework/window_list.h"
#include "shell/about_window.h"

fw::ClassRecord Keldara::Define() {
  fw::ClassRecord def;
  def.name = "Keldara";
  def.operations = {"_AboutKeldaraLauncher_Action"};
  def.attributes = {{"_AboutKeldaraLauncher_Action", "%b%", "__Scope", "Public"}};
  return def;
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
