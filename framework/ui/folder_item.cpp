#include "framework/folder_item.h"

#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "framework/display.h"
#include "framework/system.h"

namespace fw {

const ClassRecord* Picture::Record() {
  return RegisterClassOnce<Picture>([] { return MakeClassRecord("Picture", Object::Record()); });
}

const ClassRecord* FolderItem::Record() {
  return RegisterClassOnce<FolderItem>([] { return MakeClassRecord("FolderItem", Object::Record()); });
}

Ref<FolderItem> FolderItem::ForPath(std::string path) {
  if (path.empty()) return nullptr;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  auto f = MakeObject<FolderItem>(Record());
  f->path_ = std::move(path);
  return f;
}

bool FolderItem::Exists() const {
  struct stat st;
  return ::stat(path_.c_str(), &st) == 0;
}

Ref<FolderItem> FolderItem::Parent() const {
  if (path_ == "/") return nullptr;
  auto slash = path_.rfind('/');
  if (slash == std::string::npos) return ForPath(".");
  return ForPath(slash == 0 ? "/" : path_.substr(0, slash));
}

Ref<FolderItem> FolderItem::Child(const String& name) const {
  const std::string& n = name.Bytes();
  if (n.empty() || n.find('/') != std::string::npos || n.find('\0') != std::string::npos) {
    return nullptr;
  }
  return ForPath(path_ == "/" ? "/" + n : path_ + "/" + n);
}

Ref<Picture> FolderItem::OpenAsPicture() const {
  std::ifstream in(path_, std::ios::binary);
  if (!in) return nullptr;
  auto pic = MakeObject<Picture>(Picture::Record());
  pic->bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad() || pic->bytes.empty()) return nullptr;
  if (!CurrentDisplay().DecodePicture(*pic)) return nullptr;
  return pic;
}

Ref<FolderItem> AppFolderItem() { return FolderItem::ForPath(CurrentSystem().ExecutablePath()); }

Ref<FolderItem> ApplicationFolder() {
  Ref<FolderItem> exe = AppFolderItem();
  Ref<FolderItem> bin = exe ? exe->Parent() : nullptr;
  return bin ? bin->Parent() : nullptr;
}

Ref<FolderItem> GetApplicationBundleResources() {
  Ref<FolderItem> res = NotNil(ApplicationFolder())->Child("Resources");
  if (res && !res->Exists()) return nullptr;
  return res;
}

}  // namespace fw
