// The application picture, loaded from the bundle's resources once and cached.
#pragma once

#include "framework/ui.h"

/// The application picture, or nil while it cannot be loaded (a failed load is retried).
fw::Ref<fw::Picture> Keldarafinal_128x128();
