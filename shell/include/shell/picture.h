// The application picture, loaded from the application folder's Resources once and cached.
#pragma once

#include "framework/ui.h"

/// The application picture, or nil while it cannot be loaded (a failed load is retried). Raises
/// NilObjectException when the executable's folders are missing.
fw::Ref<fw::Picture> Keldarafinal_128x128();

namespace shell {

/// Forgets the cached picture so that the next call loads afresh; for tests only.
void ResetPictureCacheForTesting();

}  // namespace shell
