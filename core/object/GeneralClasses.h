// The root of all engine and game classes, class references and the class
// registry through which every object that data names is created.
//
// A class reference (TAbstractClass) is the address of one TClassInfo per C++
// class, made by ClassOf<T>(). Objects are created through CreateAbstractObject
// or CreateObjectByName: the C++ constructor runs first, then the virtual
// initialiser Create(), then SetParam once per name=value pair of the parameter
// string, so a class without constructor arguments is still configured at
// creation.
#pragma once

#include <string>
#include <string_view>
#include <type_traits>
#include <typeindex>
#include <typeinfo>

#include "core/base/Interface.h"
#include "core/base/Units.h"

class TAbstractObject;

struct TClassInfo {
    std::type_index type;
    // A new instance, its construction reference adopted; null for an
    // abstract class.
    Ref<TAbstractObject> (*newInstance)();
};
using TAbstractClass = const TClassInfo*;

class TAbstractObject : public virtual IInterface {
public:
    // The per-class initialiser, called once right after construction.
    // Overrides call the inherited one first.
    virtual void Create() {}
    // Applies one creation parameter; classes ignore names they don't know.
    virtual void SetParam(const std::string& name, const std::string& value) {
        (void)name;
        (void)value;
    }

protected:
    TAbstractObject() = default;
};

// The class reference of T: one address per class for the whole program.
template <class T>
TAbstractClass ClassOf() {
    static_assert(std::is_base_of_v<TAbstractObject, T>, "ClassOf needs a TAbstractObject class");
    static const TClassInfo info{typeid(T), []() -> Ref<TAbstractObject> {
                                     if constexpr (std::is_abstract_v<T>) {
                                         return nullptr;
                                     } else {
                                         return MakeRef<T>();
                                     }
                                 }};
    return &info;
}

// Adds a class to the registry under a name (compared ignoring ASCII case).
// A name already present raises EElHashListError "Duplicate entry.".
void RegisterObjectClass(TAbstractClass cls, const std::string& name);

// The first name under which exactly this class was registered; empty when it
// never was (a registered base class does not count).
std::string GetRegisteredClassName(TAbstractClass cls);
std::string GetRegisteredClassName(const TAbstractObject& object);

// The class registered under a name, or null.
TAbstractClass FindRegisteredClass(const std::string& name);

// Creates an instance of exactly cls, runs Create() and then SetParam per pair
// of params. An exception from either destroys the half-built object and
// propagates. Null for a null or abstract class.
Ref<TAbstractObject> CreateAbstractObject(TAbstractClass cls, const std::string& params = {});

// Creates an object from "Name" or "Name{params}"; null when Name is not
// registered (no error).
Ref<TAbstractObject> CreateObjectByName(const std::string& text);

// Typed convenience: creates T through its class reference.
template <class T>
Ref<T> CreateObject(const std::string& params = {}) {
    Ref<TAbstractObject> object = CreateAbstractObject(ClassOf<T>(), params);
    return Ref<T>(static_cast<T*>(object.get()));
}

// Unit hooks: the registry exists between these two calls.
void InitClassRegistry();
void FreeClassRegistry();
inline constexpr TUnit kClassRegistryUnit = {"GeneralClasses", InitClassRegistry, FreeClassRegistry};
