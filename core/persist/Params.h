// Named values: a parameter (a name with a variant value), an ordered
// collection of them found by position or by name, and an object whose
// properties are such a collection.
//
// Storage form: a "params" element (or any element the owner names) holding
// "param" children, each with "name" and "value"; a parameter object is its
// own element with "name" and "type" and a "properties" child of "param"s.
// Values read from storage or from a parameter string are string variants;
// whoever reads them converts numbers and booleans.
//
// Names follow the collection rule: ASCII case ignored, and a second
// parameter added under a present name is refused (SetValue updates instead).
#pragma once

#include <string>

#include "core/persist/EngineGeneralClasses.h"

class IParam : public virtual INamedObject {
public:
    virtual Variant GetValue() = 0;
    virtual void SetValue(const Variant& value) = 0;
};

class IParamCollection : public virtual ICollection {
public:
    // By position (an integer key) or name (a text key); null when absent.
    virtual Ref<IParam> GetParam(const Variant& key) = 0;
    // Appends param under its own name; refused when the name is present.
    virtual void Add(const Ref<IParam>& param) = 0;
    // Sets the value of the parameter named so, or appends a new one.
    virtual void SetValue(const std::string& name, const Variant& value) = 0;
    // The value of the parameter named so, or defaultValue.
    virtual Variant GetValue(const std::string& name, const Variant& defaultValue) = 0;
};

class IParamsPropertyObject : public virtual IPropertyObject {
public:
    virtual Ref<IParamCollection> GetParams() = 0;
};

// Node name "param"; stored as "name" and "value". Not registered, so no
// "type" is written.
class TParam : public TPersistObject, public virtual IParam {
public:
    void Create() override;
    Variant GetValue() override { return value_; }
    void SetValue(const Variant& value) override { value_ = value; }
    const Variant& Value() const { return value_; }

    // "value": read as a string ("" when absent), always written as the
    // value's text.
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

private:
    Variant value_;
};

// Node name "params", items "param". Creation parameters become string
// values, so CreateAbstractObject(ClassOf<TParamCollection>(), "\a=1\b=2")
// makes a filled collection.
class TParamCollection : public TTypedCollection<IParam, IParamCollection, TPersistCollection> {
public:
    void Create() override;
    void SetParam(const std::string& name, const std::string& value) override;

    Ref<IParam> GetParam(const Variant& key) override { return Find(key); }
    void SetValue(const std::string& name, const Variant& value) override;
    Variant GetValue(const std::string& name, const Variant& defaultValue) override;

    // A "param" element's "name" and "value"; a repeated name updates the
    // parameter already loaded.
    void LoadItem(const Ref<IHierStorage>& node) override;
    bool SaveItem(const Ref<IInterface>& item, const Ref<IHierStorage>& node) override;
};

// Node name "properties"; its properties are the parameters of a
// TParamCollection loaded from and saved to its child "properties". An
// absent property answers Empty.
class TParamsPropertyObject : public TPropertyObject, public virtual IParamsPropertyObject {
public:
    void Create() override;
    Variant GetProperty(const std::string& name) override;
    void SetProperty(const std::string& name, const Variant& value) override;
    Ref<IParamCollection> GetParams() override { return params_; }

    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

private:
    Ref<IParamCollection> params_;
};

// A new collection with one parameter per pair of a parameter string
// ("\a=1\b=2"), values as strings; null for a text without pairs.
Ref<IParamCollection> ParamCollectionFromString(const std::string& text);
// A new collection with the names and values of source, in order (a
// repeated name keeps the later value); null for no source.
Ref<IParamCollection> CopyParamCollection(const Ref<IParamCollection>& source);
