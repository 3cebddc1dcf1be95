// Busy waits in terms of poll(2), for the implementations of Display::WaitBusy.
#pragma once

#include <span>

#include "framework/display.h"

namespace fw {

/// poll(2) event flags for a watch.
short PollEvents(Ready want);
/// A watch's readiness from poll's result flags.
Ready ReadinessOf(short revents);
/// A plain poll(2) over `watches`: no windows to keep painted.
bool PlainWait(std::span<Watch> watches, int timeoutMs);

}  // namespace fw
