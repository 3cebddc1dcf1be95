#include "tests/support/app_folder.h"

#include <stdlib.h>

#include <cstdlib>
#include <fstream>

namespace testing_support {

namespace fs = std::filesystem;

namespace {
constexpr const char* kPictureName = "Keldara final_128x128.png";
}  // namespace

AppFolder::AppFolder(FakePlatform& platform) {
  std::string pattern = (fs::temp_directory_path() / "kdapp-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) std::abort();
  root_ = pattern;
  fs::create_directories(root_ / "bin");
  std::ofstream(root_ / "bin" / "exe") << "";
  platform.executablePath = (root_ / "bin" / "exe").string();
}

AppFolder::~AppFolder() {
  std::error_code ec;
  fs::remove_all(root_, ec);
}

fs::path AppFolder::Script(int32_t number) const {
  return root_ / "Resources" / "Scripts" / std::to_string(number);
}

fs::path AppFolder::Picture() const { return root_ / "Resources" / kPictureName; }

void AppFolder::InstallScript(int32_t number, const std::string& text, fs::perms mode) const {
  fs::create_directories(Script(number).parent_path());
  std::ofstream(Script(number), std::ios::trunc) << text;
  fs::permissions(Script(number), mode);
}

void AppFolder::InstallPicture() const {
  fs::create_directories(Picture().parent_path());
  fs::copy_file(fs::path(KELDARA_SOURCE_DIR) / "resources" / kPictureName, Picture(),
                fs::copy_options::overwrite_existing);
}

void AppFolder::InstallBrokenPicture() const {
  fs::create_directories(Picture().parent_path());
  std::ofstream(Picture(), std::ios::trunc) << "not a picture";
}

void AppFolder::RemovePicture() const { fs::remove(Picture()); }

void AppFolder::SetShortVersion(const std::string& version) const {
  std::ofstream(root_ / "Info", std::ios::trunc) << "Name=Keldara Launcher\nShortVersion=" << version
                                                 << "\n";
}

}  // namespace testing_support
