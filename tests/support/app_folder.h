// A throw-away application folder for tests, laid out as the built application's: bin/exe, Info
// and Resources/ (the picture, Scripts/<number>).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "tests/support/fake_platform.h"

namespace testing_support {

/// Owns a temporary folder laid out like the application folder, removed with all it holds on
/// destruction. From construction on, the platform reports <folder>/bin/exe as its executable;
/// the platform is not used after that.
class AppFolder {
 public:
  explicit AppFolder(FakePlatform& platform);
  ~AppFolder();
  AppFolder(const AppFolder&) = delete;
  AppFolder& operator=(const AppFolder&) = delete;

  const std::filesystem::path& Root() const { return root_; }
  std::filesystem::path Script(int32_t number) const;
  std::filesystem::path Picture() const;

  /// Writes script `number` as `text`, whole (its first line included), with the given mode.
  void InstallScript(int32_t number, const std::string& text,
                     std::filesystem::perms mode = std::filesystem::perms::owner_all) const;
  /// Puts the application's real picture in place.
  void InstallPicture() const;
  /// Puts a file that is not a picture where the picture belongs.
  void InstallBrokenPicture() const;
  void RemovePicture() const;
  /// Writes the Info file with the given short version.
  void SetShortVersion(const std::string& version) const;

 private:
  std::filesystem::path root_;
};

}  // namespace testing_support
