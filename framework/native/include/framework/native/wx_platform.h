// The wxWidgets backend of the framework: starts the toolkit and installs the native platform.
#pragma once

namespace native {

/// Starts wxWidgets for this process and installs the native display and the system services.
/// Call once, on the thread that will run the event loop, before the runtime starts. Throws
/// std::runtime_error when the toolkit cannot start (no display).
void InstallWxPlatform(int argc, char** argv);

/// Removes the native platform, destroys any native window left and shuts wxWidgets down.
void UninstallWxPlatform();

}  // namespace native
