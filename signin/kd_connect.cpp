#include "signin/kd_connect.h"

#include "framework/object.h"
#include "framework/script.h"

void KD_Connect(const fw::Ref<fw::VariantArray>& params) {
  if (!params) fw::RaiseNilObjectException();
  const int32_t last = params->Ubound();
  if (last < 0) {
    fw::ScriptExecute(kMountScript);
    return;
  }
  const int32_t handle = fw::StartParamScript(kMountScript);
  for (int32_t i = 0; i <= last; ++i) {
    const fw::Variant& item = params->Item(i);
    if (fw::VarType(item) == fw::kTypeInteger) {
      fw::AddIntegerScriptParam(handle, fw::VariantToInt32(item));
    } else {
      fw::AddStringScriptParam(handle, fw::VariantToString(item));
    }
    fw::RuntimeBackgroundTask();
  }
  fw::CompleteParamScriptExecute(handle);
}
