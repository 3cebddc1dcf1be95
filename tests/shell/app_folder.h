// A throw-away application folder for shell tests: <dir>/bin/exe, <dir>/Info and
// <dir>/Resources/, pointed at by the fake platform's executable path.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/fake_platform.h"

namespace shell_test {

inline constexpr const char* kPictureName = "Keldara final_128x128.png";

/// Owns a temporary folder laid out like the application folder; removed on destruction.
class AppFolder {
 public:
  explicit AppFolder(testing_support::FakePlatform& platform) {
    std::string pattern = (std::filesystem::temp_directory_path() / "kdshell-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    root_ = pattern;
    std::filesystem::create_directories(root_ / "bin");
    std::ofstream(root_ / "bin" / "exe") << "";
    platform.executablePath = (root_ / "bin" / "exe").string();
  }
  ~AppFolder() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  AppFolder(const AppFolder&) = delete;
  AppFolder& operator=(const AppFolder&) = delete;

  std::filesystem::path Resources() const { return root_ / "Resources"; }
  std::filesystem::path Picture() const { return Resources() / kPictureName; }

  void MakeResources() const { std::filesystem::create_directories(Resources()); }
  /// Puts the application's real picture in place.
  void InstallPicture() const {
    MakeResources();
    std::filesystem::copy_file(std::filesystem::path(KELDARA_SOURCE_DIR) / "resources" / kPictureName,
                               Picture(), std::filesystem::copy_options::overwrite_existing);
  }
  /// Puts a file that is not a picture where the picture belongs.
  void InstallBrokenPicture() const {
    MakeResources();
    std::ofstream(Picture(), std::ios::trunc) << "not a picture";
  }
  void RemovePicture() const { std::filesystem::remove(Picture()); }
  /// Writes the bundle's Info file with the given short version.
  void SetShortVersion(const std::string& v) const {
    std::ofstream(root_ / "Info", std::ios::trunc) << "Name=Keldara Launcher\nShortVersion=" << v
                                                   << "\n";
  }

 private:
  std::filesystem::path root_;
};

}  // namespace shell_test
