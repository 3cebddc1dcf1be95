#include "framework/object.h"

namespace fw {

bool ClassRecord::IsA(const ClassRecord* other) const {
  for (const ClassRecord* c = this; c; c = c->base) {
    if (c == other) return true;
  }
  return false;
}

const ClassRecord* RuntimeNewClass(const ClassRecord*& slot, ClassRecord record) {
  if (slot) return slot;
  if (record.base) {
    // The table of operations starts with the base's, unchanged.
    std::vector<std::string> ops = record.base->operations;
    ops.insert(ops.end(), record.operations.begin(), record.operations.end());
    record.operations = std::move(ops);
    if (!record.allocate) record.allocate = nullptr;
  }
  // Class records live for the whole process.
  slot = new ClassRecord(std::move(record));
  return slot;
}

const ClassRecord* Object::Record() {
  static const ClassRecord* slot = nullptr;
  if (!slot) {
    ClassRecord record;
    record.name = "Object";
    RuntimeNewClass(slot, std::move(record));
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
