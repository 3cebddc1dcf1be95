// Files and folders, pictures read from them, and the application folder.
#pragma once

#include <cstdint>
#include <string>

#include "framework/object.h"
#include "framework/text.h"

namespace fw {

/// A decoded picture; the native backend draws it from its bytes.
class Picture : public Object {
 public:
  static const ClassRecord* Record();
  std::string bytes;  ///< the file's bytes (PNG)
  int32_t width = 0;
  int32_t height = 0;
};

/// A file or folder of the file system.
class FolderItem : public Object {
 public:
  static const ClassRecord* Record();
  /// An item for `path`; nil for an empty path.
  static Ref<FolderItem> ForPath(std::string path);
  const std::string& NativePath() const { return path_; }
  bool Exists() const;
  /// The containing folder, or nil at the root.
  Ref<FolderItem> Parent() const;
  /// The item named `name` inside this folder (it need not exist); nil for a name holding "/".
  Ref<FolderItem> Child(const String& name) const;
  /// The file read as a picture, or nil when it cannot be read as one.
  Ref<Picture> OpenAsPicture() const;

 private:
  std::string path_;
};

/// The running executable.
Ref<FolderItem> AppFolderItem();
/// The application folder: two levels above the executable (its bin/ folder's parent); nil when
/// the executable or a parent is missing.
Ref<FolderItem> ApplicationFolder();
/// The application folder's "Resources" child.
/// Raises NilObjectException when the executable or a parent is missing.
Ref<FolderItem> GetApplicationBundleResources();

}  // namespace fw
