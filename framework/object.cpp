#include "framework/object.h"

namespace fw {

bool ClassRecord::IsA(const ClassRecord* other) const {
  for (const ClassRecord* c = this; c; c = c->base) {
    if (c == other) return true;
  }
  return false;
}

const ClassRecord* RuntimeNewClass(const ClassRecord*& slot, ClassRecord spec) {
  if (slot) return slot;
  if (spec.base) {
    // The table of operations starts with the base's, unchanged.
    std::vector<std::string> ops = spec.base->operations;
    ops.insert(ops.end(), spec.operations.begin(), spec.operations.end());
    spec.operations = std::move(ops);
    if (!spec.allocate) spec.allocate = nullptr;
  }
  // Class records live for the whole process.
  slot = new ClassRecord(std::move(spec));
  return slot;
}

const ClassRecord* Object::Record() {
  static const ClassRecord* slot = nullptr;
  if (!slot) {
    ClassRecord spec;
    spec.name = "Object";
    RuntimeNewClass(slot, std::move(spec));
  }
  return slot;
}

Ref<Object> RuntimeNewObject(const ClassRecord* cls) {
  if (!cls || !cls->allocate) return nullptr;
  Ref<Object> obj = cls->allocate();
  if (obj) obj->class_ = cls;
  return obj;
}

void RaiseNilObjectException() { throw NilObjectException(); }

}  // namespace fw
