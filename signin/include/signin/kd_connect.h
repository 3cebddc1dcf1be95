// The mount script call: script 168 kept with the application, run by the framework's runner.
#pragma once

#include <cstdint>

#include "framework/variant.h"

/// The number of the mount script among the application's scripts.
inline constexpr int32_t kMountScript = 168;

/// Runs the mount script with the array's elements as parameters in index order (integers as
/// integers, everything else as text); an empty array runs it without parameters. Returns when
/// the runner has returned. Raises NilObjectException for a nil array.
void KD_Connect(const fw::Ref<fw::VariantArray>& params);
