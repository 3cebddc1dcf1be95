#include "shell/startup.h"

#include <exception>
#include <functional>

#include "framework/object.h"
#include "framework/runtime.h"
#include "framework/window_list.h"
#include "shell/about_window.h"
#include "shell/kd_menu_bar.h"
#include "shell/keldara.h"

namespace shell {
namespace {

// Set by main before anything else runs; read only on the main thread.
DefaultWindow gDefaultWindow{};

void RegisterFrameworkClasses() {
  fw::Delegate::Record();
  fw::Picture::Record();
  fw::FolderItem::Record();
  fw::RectControl::Record();
  fw::GroupBox::Record();
  fw::StaticText::Record();
  fw::TextField::Record();
  fw::PushButton::Record();
  fw::Canvas::Record();
  fw::ProgressWheel::Record();
  fw::CheckBox::Record();
  fw::MenuItem::Record();
  fw::AppleMenuItem::Record();
  fw::MenuBar::Record();
  fw::Window::Record();
  fw::Application::Record();
}

void initialize() {
  RegisterFrameworkClasses();
  Keldara::ctblinit();
  if (gDefaultWindow.registerClass) gDefaultWindow.registerClass();
  KDMenuBar::ctblinit();
  AboutWindow::ctblinit();
}

// The framework's plugin classes and entry points are linked in statically: nothing to set up.
void InitExternalClasses() {}
void InitPluginEntrypoints() {}
// The launcher opens no documents, so it declares no file types.
void InitFileTypes() {}

void NewAppInstance() {
  fw::Ref<Keldara> app =
      fw::RuntimeCheckCast<Keldara>(fw::RuntimeNewObject(Keldara::Lookup()), Keldara::Lookup());
  if (!app) fw::RaiseNilObjectException();
  // The menu bar is in place before the framework sees the object.
  app->SetMenuBar(KDMenuBar_KDMenuBar());
  fw::RuntimeRegisterAppObject(app);
}

void ApplicationAddMenuHandlers() {
  fw::Ref<Keldara> a = App();
  if (!a) fw::RaiseNilObjectException();
  fw::Ref<Keldara> b = App();
  if (!b) fw::RaiseNilObjectException();
  fw::Ref<fw::Delegate> d = fw::BindMethod(b, &Keldara::AboutKeldaraLauncher_Action, fw::kSigBoolean);
  a->AddMenuHandler("AboutKeldaraLauncher", d);
}

void MakeDefaultView() {
  if (!gDefaultWindow.instance) fw::RaiseNilObjectException();
  // The window lists hold the window; this step keeps no reference.
  gDefaultWindow.instance();
}

void Startup() {
  InitExternalClasses();
  InitPluginEntrypoints();
  InitFileTypes();
  NewAppInstance();
  ApplicationAddMenuHandlers();
  MakeDefaultView();
}

void Main() {
  fw::Ref<fw::Delegate> startup;
  std::function<void()> entry;
  try {
    startup = fw::RuntimeCreateDelegate(std::function<void()>(&Startup), fw::kSigVoid);
    if (startup) entry = [d = startup] { d->Invoke(); };
    fw::RunFrameworkInitialization(entry);
    entry = nullptr;
    startup = nullptr;
    fw::RuntimeRun();
  } catch (const std::exception& e) {
    fw::RuntimeUnhandledException(e);
  } catch (...) {
    fw::RuntimeUnhandledException(fw::RuntimeException("exception of unknown type"));
  }
}

void finalize() {
  fw::ReleaseImplicitWindowList();
  fw::ReleaseWindowList();
  KDMenuBar::implicitInstance_Exit();
}

}  // namespace

int32_t main(const DefaultWindow& defaultWindow) {
  gDefaultWindow = defaultWindow;
  fw::RuntimeInit();
  initialize();
  Main();
  finalize();
  return fw::RuntimeExit();
}

}  // namespace shell
