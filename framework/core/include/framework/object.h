// Reference-counted objects, class records and the framework's exceptions.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <type_traits>
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

/// A record with a name and a base and nothing else yet.
inline ClassRecord MakeClassRecord(std::string name, const ClassRecord* base) {
  ClassRecord record;
  record.name = std::move(name);
  record.base = base;
  return record;
}

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

/// The one class record of the C++ class T; nil until T is registered.
template <class T>
inline const ClassRecord* classRecordOf = nullptr;

/// T's class record, registered on first use from `define()`. An allocator that stamps each new
/// object with this record is added when T can be made without arguments; abstract and
/// protected-constructor classes get none.
template <class T, class Define>
const ClassRecord* RegisterClassOnce(Define define) {
  if (!classRecordOf<T>) {
    ClassRecord record = define();
    if constexpr (std::is_default_constructible_v<T>) {
      record.allocate = [] { return Ref<Object>(MakeObject<T>(classRecordOf<T>)); };
    }
    RuntimeNewClass(classRecordOf<T>, std::move(record));
  }
  return classRecordOf<T>;
}

/// Gives a class of the application (Derived, a subclass of Base) its class record under the
/// names the layout and registration use: `ctbl` is the record (nil until registered), `ctblinit`
/// registers it once from Derived::Define() with Base's record as its base, `Lookup` and `Record`
/// give it, registering first when needed.
template <class Derived, class Base>
class Registered : public Base {
 public:
  static inline const ClassRecord*& ctbl = classRecordOf<Derived>;
  static void ctblinit() {
    RegisterClassOnce<Derived>([] {
      ClassRecord record = Derived::Define();
      record.base = Base::Record();
      return record;
    });
  }
  static const ClassRecord* Lookup() {
    ctblinit();
    return ctbl;
  }
  static const ClassRecord* Record() { return Lookup(); }
};

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
