// The script runner: runs a script kept with the application, by number, with parameters.
//
// Script N is the executable file Resources/Scripts/N of the application folder. It runs without
// a shell; its parameters reach it on its standard input, each ended by a NUL byte (integers as
// decimal text), never in its argument list or environment. Each run is waited for (the UI keeps
// painting meanwhile) and nothing it does is examined.
#pragma once

#include <cstdint>

#include "framework/text.h"

namespace fw {

/// Runs script `number` with no parameters and waits for it.
void ScriptExecute(int32_t number);
/// Starts a run that takes parameters; gives its handle.
int32_t StartParamScript(int32_t number);
/// Adds an integer parameter after those already added.
void AddIntegerScriptParam(int32_t handle, int32_t value);
/// Adds a text parameter after those already added.
void AddStringScriptParam(int32_t handle, const String& value);
/// Runs the script with the parameters added, in order, and waits for it.
void CompleteParamScriptExecute(int32_t handle);
/// Lets the framework run its background tasks (keeps windows painted).
void RuntimeBackgroundTask();

}  // namespace fw
