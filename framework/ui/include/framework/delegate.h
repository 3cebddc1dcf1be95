// Delegates: methods bound to a target, checked against a signature text when installed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "framework/object.h"

namespace fw {

/// A method bound to a target, with the signature text the framework checks it against.
class Delegate : public Object {
 public:
  static const ClassRecord* Record();
  const std::string& Signature() const { return signature_; }
  /// Calls a "(  )" delegate.
  void Invoke() const;
  /// Calls a "(  ) as Boolean" delegate.
  bool InvokeBoolean() const;
  /// Calls a "( Int32, Int32 ) as Boolean" delegate.
  bool InvokeInt32Int32(int32_t a, int32_t b) const;

 private:
  friend Ref<Delegate> RuntimeCreateDelegate(std::function<void()>, std::string_view);
  friend Ref<Delegate> RuntimeCreateDelegate(std::function<bool()>, std::string_view);
  friend Ref<Delegate> RuntimeCreateDelegate(std::function<bool(int32_t, int32_t)>, std::string_view);
  std::string signature_;
  std::function<void()> invoke_;
  std::function<bool()> invokeBoolean_;
  std::function<bool(int32_t, int32_t)> invokeInt32Int32_;
};

/// Signature texts of the framework's delegate forms.
inline constexpr std::string_view kSigVoid = "(  )";
inline constexpr std::string_view kSigBoolean = "(  ) as Boolean";
inline constexpr std::string_view kSigInt32Int32Boolean = "( Int32, Int32 ) as Boolean";

/// A delegate of the "(  )" form; nil when `fn` is empty.
Ref<Delegate> RuntimeCreateDelegate(std::function<void()> fn, std::string_view signature);
/// A delegate of the "(  ) as Boolean" form; nil when `fn` is empty.
Ref<Delegate> RuntimeCreateDelegate(std::function<bool()> fn, std::string_view signature);
/// A delegate of the "( Int32, Int32 ) as Boolean" form; nil when `fn` is empty.
Ref<Delegate> RuntimeCreateDelegate(std::function<bool(int32_t, int32_t)> fn,
                                    std::string_view signature);

/// Binds a method of `target` without keeping the target alive; calling it after the target has
/// gone raises NilObjectException.
template <class T, class R, class... A>
Ref<Delegate> BindMethod(const Ref<T>& target, R (T::*method)(A...), std::string_view signature) {
  std::weak_ptr<T> weak = target;
  return RuntimeCreateDelegate(std::function<R(A...)>([weak, method](A... args) -> R {
                                 Ref<T> t = weak.lock();
                                 if (!t) RaiseNilObjectException();
                                 return ((*t).*method)(args...);
                               }),
                               signature);
}

}  // namespace fw
