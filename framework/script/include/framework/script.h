// The script runner: runs a script kept with the application, by number, with parameters.
//
// Script N is the executable file Resources/Scripts/N of the application folder. It runs without
// a shell; its parameters reach it on its standard input, each ended by a NUL byte (integers as
// decimal text), never in its argument list or environment; its argument list is its own path,
// its standard output and error are the application's, and it gets no other descriptor. Each run
// is waited for (the UI keeps painting meanwhile, input is held off) and nothing it does is
// examined: a missing, unreadable or failing script just returns. Event-loop thread only. The
// process must ignore SIGPIPE (fw::SetUpProcess), so that a script that stops reading its input
// makes the write fail instead of ending the process.
#pragma once

#include <cstdint>

#include "framework/text.h"

namespace fw {

/// Runs script `number` with no parameters and waits for it.
void ScriptExecute(int32_t number);
/// Starts a run that takes parameters; gives its handle, the smallest positive number not pending.
int32_t StartParamScript(int32_t number);
/// Adds an integer parameter after those already added; an unknown handle is ignored.
void AddIntegerScriptParam(int32_t handle, int32_t value);
/// Adds a text parameter after those already added; an unknown handle is ignored.
void AddStringScriptParam(int32_t handle, const String& value);
/// Runs the script with the parameters added, in order, and waits for it; the handle is spent.
/// An unknown handle does nothing. A run with a text holding a NUL byte is not made, since that
/// text cannot be told apart from two parameters.
void CompleteParamScriptExecute(int32_t handle);
/// Lets the framework run its background tasks (keeps windows painted).
void RuntimeBackgroundTask();

}  // namespace fw
