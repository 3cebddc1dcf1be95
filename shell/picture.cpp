#include "shell/picture.h"

#include "framework/object.h"

namespace {

// Both live for the whole process and are touched only on the event-loop thread.
fw::Ref<fw::Picture> gPicture;
bool gPictureInitialised = false;

}  // namespace

fw::Ref<fw::Picture> Keldarafinal_128x128() {
  if (!gPictureInitialised) {
    gPictureInitialised = true;
    gPicture = nullptr;
  }
  if (gPicture) return gPicture;
  fw::Ref<fw::FolderItem> resources = fw::GetApplicationBundleResources();
  if (!resources) return nullptr;
  fw::Ref<fw::FolderItem> file = resources->Child("Keldara final_128x128.png");
  if (!file) fw::RaiseNilObjectException();
  // A failed read stores nil, so the next call tries the disk again.
  gPicture = file->OpenAsPicture();
  return gPicture;
}

namespace shell {

void ResetPictureCacheForTesting() { gPictureInitialised = false; }

}  // namespace shell
