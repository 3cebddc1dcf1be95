// The display connection as the wait loop sees it. Kept apart because the X11 headers define
// macros (None, Bool, Status, ...) that must not reach the rest of the backend: they come last.
#include "wx_backend.h"

#include <gdk/gdk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

namespace native::detail {
namespace {

#ifdef GDK_WINDOWING_X11
Display* XDisplayOrNull() {
  GdkDisplay* display = gdk_display_get_default();
  if (!display || !GDK_IS_X11_DISPLAY(display)) return nullptr;
  return gdk_x11_display_get_xdisplay(display);
}
#endif

}  // namespace

int DisplayConnectionFd() {
#ifdef GDK_WINDOWING_X11
  if (Display* x = XDisplayOrNull()) return ConnectionNumber(x);
#endif
  return -1;
}

bool DisplayEventsQueued() {
#ifdef GDK_WINDOWING_X11
  if (Display* x = XDisplayOrNull()) return XEventsQueued(x, QueuedAlready) > 0;
#endif
  return false;
}

void FlushDisplay() {
  if (GdkDisplay* display = gdk_display_get_default()) gdk_display_flush(display);
}

}  // namespace native::detail
