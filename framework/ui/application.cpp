#include "framework/application.h"

#include <fstream>

#include "framework/display.h"
#include "framework/folder_item.h"
#include "framework/window_list.h"

namespace fw {

const ClassRecord* Application::Record() {
  return RegisterClassOnce<Application>([] {
    ClassRecord record = MakeClassRecord("Application", Object::Record());
    record.operations = {"NewDocument",          "OpenDocument",        "DoEvents",
                       "_AddMenuHandler",      "_AddPollableObject",  "_RemovePollableObject",
                       "AddTrayItem",          "RemoveTrayItem",      "YieldToNextThread",
                       "SleepCurrentThread",   "_DoSingleEvent",      "_EnableMenuItems",
                       "_CallOpen",            "_HandleMenuCommand",  "_LoadPictureFromBundle",
                       "_LoadBundleSound",     "__DependencyList"};
    return record;
  });
}

void Application::AddMenuHandler(const String& itemName, Ref<Delegate> handler) {
  if (!handler) {
    menuHandlers_.erase(itemName.Bytes());
    return;
  }
  if (handler->Signature() != kSigBoolean) {
    throw UnsupportedOperationException("menu handler " + handler->Signature() +
                                        " must be (  ) as Boolean");
  }
  menuHandlers_.insert_or_assign(itemName.Bytes(), std::move(handler));
}

Ref<Delegate> Application::MenuHandler(const String& itemName) const {
  auto it = menuHandlers_.find(itemName.Bytes());
  return it == menuHandlers_.end() ? nullptr : it->second;
}

bool Application::HandleMenuCommand(const MenuItem& item) {
  if (Ref<Delegate> h = MenuHandler(item.name)) {
    BusyScope busy;
    return h->InvokeBoolean();
  }
  return HasDisplay() && CurrentDisplay().EditCommand(item.name);
}

String Application::ShortVersion() const {
  // The application folder's Info file: lines of "Key=Value".
  Ref<FolderItem> folder = ApplicationFolder();
  Ref<FolderItem> info = folder ? folder->Child("Info") : nullptr;
  if (!info) return String();
  std::ifstream in(info->NativePath());
  std::string line;
  while (std::getline(in, line)) {
    static const std::string kKey = "ShortVersion=";
    if (line.rfind(kKey, 0) == 0) return String(line.substr(kKey.size()));
  }
  return String();
}

}  // namespace fw
