#include "framework/delegate.h"

namespace fw {

const ClassRecord* Delegate::Record() {
  return RegisterClassOnce<Delegate>([] { return MakeClassRecord("Delegate", Object::Record()); });
}

Ref<Delegate> RuntimeCreateDelegate(std::function<void()> fn, std::string_view signature) {
  if (!fn) return nullptr;
  auto d = MakeObject<Delegate>(Delegate::Record());
  d->signature_ = signature;
  d->invoke_ = std::move(fn);
  return d;
}

Ref<Delegate> RuntimeCreateDelegate(std::function<bool()> fn, std::string_view signature) {
  if (!fn) return nullptr;
  auto d = MakeObject<Delegate>(Delegate::Record());
  d->signature_ = signature;
  d->invokeBoolean_ = std::move(fn);
  return d;
}

Ref<Delegate> RuntimeCreateDelegate(std::function<bool(int32_t, int32_t)> fn,
                                    std::string_view signature) {
  if (!fn) return nullptr;
  auto d = MakeObject<Delegate>(Delegate::Record());
  d->signature_ = signature;
  d->invokeInt32Int32_ = std::move(fn);
  return d;
}

void Delegate::Invoke() const {
  if (!invoke_) throw UnsupportedOperationException("delegate " + signature_ + " called as (  )");
  invoke_();
}

bool Delegate::InvokeBoolean() const {
  if (!invokeBoolean_) {
    throw UnsupportedOperationException("delegate " + signature_ + " called as (  ) as Boolean");
  }
  return invokeBoolean_();
}

bool Delegate::InvokeInt32Int32(int32_t a, int32_t b) const {
  if (!invokeInt32Int32_) {
    throw UnsupportedOperationException("delegate " + signature_ +
                                        " called as ( Int32, Int32 ) as Boolean");
  }
  return invokeInt32Int32_(a, b);
}

}  // namespace fw
