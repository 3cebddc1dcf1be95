// Reference-counted objects, class records and the framework's exceptions.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace fw {

/// Shared, reference-counted handle to a framework object; nullptr is nil.
template <class T>
using Ref = std::shared_ptr<T>;

class Object;

/// One introspection entry: a member (or the class itself when `member` is empty) and an attribute.
struct Attribute {
  std::string member;
  std::string signature;
  std::string key;
  std::string value;
};

/// A registered class: name, base, table of operations and a way to allocate a blank instance.
struct ClassRecord {
  std::string name;
  const ClassRecord* base = nullptr;
  std::vector<std::string> operations;  ///< base's operations first, the class's own appended
  std::vector<Attribute> attributes;
  std::function<Ref<Object>()> allocate;  ///< nil for classes that cannot be instantiated
  bool implicitInstance = false;          ///< windows: the framework keeps one implicit instance

  /// True when this class is `other` or derives from it.
  bool IsA(const ClassRecord* other) const;
};

/// Registers a class into `slot` once; a later call with the slot already set changes nothing.
const ClassRecord* RuntimeNewClass(const ClassRecord*& slot, ClassRecord record);

/// Every object of the framework: windows, controls, menu items, pictures, delegates, sockets.
class Object : public std::enable_shared_from_this<Object> {
 public:
  Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  virtual ~Object() = default;

  /// The root class record, "Object".
  static const ClassRecord* Record();
  /// The class record the object was made from (nil before RuntimeNewObject stamps it).
  const ClassRecord* Class() const { return class_; }

 private:
  friend Ref<Object> RuntimeNewObject(const ClassRecord*);
  template <class T>
  friend Ref<T> MakeObject(const ClassRecord*);
  const ClassRecord* class_ = nullptr;
};

/// A new instance of the class with no framework constructor run; nil when the class has no allocator.
Ref<Object> RuntimeNewObject(const ClassRecord* cls);

/// Allocates a T and stamps it with `cls`; used by class records' allocators.
template <class T>
Ref<T> MakeObject(const ClassRecord* cls) {
  auto obj = std::make_shared<T>();
  obj->class_ = cls;
  return obj;
}

/// The object as an instance of `cls` (and of C++ type T), or nil when it is of another class.
template <class T = Object>
Ref<T> RuntimeCheckCast(const Ref<Object>& obj, const ClassRecord* cls) {
  if (!obj || !cls || !obj->Class() || !obj->Class()->IsA(cls)) return nullptr;
  return std::dynamic_pointer_cast<T>(obj);
}

/// Base of every exception the framework raises to the code that calls it.
class RuntimeException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  /// The framework class name of the exception, as the unhandled-exception hook reports it.
  virtual const char* ClassName() const { return "RuntimeException"; }
};

/// Raised when a nil object reference is used.
class NilObjectException : public RuntimeException {
 public:
  NilObjectException() : RuntimeException("NilObjectException") {}
  const char* ClassName() const override { return "NilObjectException"; }
};

/// Raised when a framework call is given something it cannot take (wrong event signature, bad list).
class UnsupportedOperationException : public RuntimeException {
 public:
  using RuntimeException::RuntimeException;
  const char* ClassName() const override { return "UnsupportedOperationException"; }
};

/// Raises NilObjectException; never returns.
[[noreturn]] void RaiseNilObjectException();

/// The object itself when not nil; raises NilObjectException otherwise.
template <class T>
const Ref<T>& NotNil(const Ref<T>& r) {
  if (!r) RaiseNilObjectException();
  return r;
}

}  // namespace fw
