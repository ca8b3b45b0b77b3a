// Properties declared once per class. A persistent class lists its named
// values in one table; each entry says how the value is got and set by name,
// under which storage key it is loaded and saved, and its default, written
// once: the value taken when the key is absent on load (or its text does not
// convert) and the value not written on save.
//
//     const TPropertyTable& TSound::Table() {
//         static const TPropertyTable table =
//             TPropertyTable::Builder<TSound>(TPropertyObject::Table())
//                 .Field("resourcename", &TSound::resourceName_).ReadOnly().SaveAlways()
//                 .Field("volume", &TSound::volume_, -1)
//                 .Field("pan", &TSound::pan_, kAudioKeepPan)
//                 .Field("mutemusic", &TSound::muteMusic_, false)
//                 .Build();
//         return table;
//     }
//
// A table begins with its base class's entries. An entry whose property name
// (or, for a storage-only entry, whose key) is already there replaces the
// base's entry in its place, so the order of the saved keys stays that of the
// base. Tables are built on first use (function-local statics), never by
// static constructors. Property names compare exactly (case counts); a
// lookup hashes the name and allocates nothing.
//
// Kinds follow the member type: bool ("yes"/"no"), the integer types and
// enumerations (32-bit decimal text; .Color() for "$AARRGGBB", .Enum(list)
// for an entry of a "/"-list), float and double, std::string, and Variant
// (stored as its text, read back as a string).
//
// Failures: Get lets a getter's exception through. Set never raises: a value
// that does not convert, or a setter that raises, leaves the value and logs
// one line naming the object and the property. Load keeps the default for a
// present text that does not convert and logs one line naming the node's
// path, the key, the property and the text; an absent key is silent. Save and
// Load let the storage's own exceptions through.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/base/Assert.h"
#include "core/base/Variant.h"
#include "core/persist/ValueText.h"
#include "core/storage/PersistenceService.h"

class TPersistObject;

// The typed half of an entry: reaches one value of an object of the entry's
// class. Made once per entry by the builder; shared with derived tables.
class TPropertyAccess {
public:
    virtual ~TPropertyAccess() = default;
    // The value; Null when the entry has no getter.
    virtual Variant Get(TPersistObject& object) const = 0;
    // Stores value. Checked (a set by name): raises EVariantError for a value
    // that does not convert or lies outside the member's range, leaving the
    // member as it was. Unchecked (a load): the value is already in the
    // entry's form and a number wider than the member is cut to it, as the
    // readers' casts always did.
    virtual void Store(TPersistObject& object, const Variant& value, bool checked) const = 0;
    // Stores the default.
    virtual void Reset(TPersistObject& object) const = 0;
    virtual bool IsDefault(TPersistObject& object) const = 0;
    virtual void Copy(TPersistObject& from, TPersistObject& to) const = 0;
};

struct TPropertyEntry {
    std::string name;  // the property name; also names the value in log lines
    std::string key;   // the storage key; empty when the value is not stored
    std::string list;  // the entries of an enumeration (TValueForm::kEnum)
    std::shared_ptr<const TPropertyAccess> access;
    TValueForm form = TValueForm::kString;
    bool isProperty = true;   // reachable by name through Get and Set
    bool settable = true;     // Set takes it (false: read-only)
    bool saveAlways = false;  // written even when it equals the default
    bool assignable = true;   // copied by Assign

    bool IsStored() const { return !key.empty(); }
};

class TPropertyTable {
public:
    template <class T>
    class Builder;

    // No entries: the table of TPersistObject.
    TPropertyTable() = default;

    // In order: the base class's first.
    const std::vector<TPropertyEntry>& Entries() const { return entries_; }
    // The property entry of that name; null when there is none.
    const TPropertyEntry* Find(std::string_view name) const;

    // False (value untouched) when the table has no property of that name.
    bool Get(TPersistObject& object, std::string_view name, Variant& value) const;
    // False when the table has no property of that name or it is read-only.
    // True otherwise, also when the value did not convert (then the value is
    // kept and one line is logged).
    bool Set(TPersistObject& object, std::string_view name, const Variant& value) const;
    // Every stored entry from the node. An absent key, or an empty text for a
    // flag, number or list entry, takes the default; a text that does not
    // convert takes it too and is logged. A null storage gives every default.
    void Load(TPersistObject& object, const Ref<IHierStorage>& storage) const;
    // Every stored entry that differs from its default or is saved always
    // (every one while a template saves, see WritesAllValues), in entry
    // order; an index outside its enumeration writes nothing. Nothing for a
    // null storage.
    void Save(TPersistObject& object, const Ref<IHierStorage>& storage) const;
    // Copies every assignable entry of this table that toTable shares (the
    // same entry, inherited or this very table) from one object to the other.
    void Assign(TPersistObject& from, TPersistObject& to, const TPropertyTable& toTable) const;

private:
    TPropertyTable(const TPropertyTable& base, std::vector<TPropertyEntry> own);

    struct TNameHash {
        using is_transparent = void;
        size_t operator()(std::string_view name) const noexcept {
            return std::hash<std::string_view>{}(name);
        }
    };

    std::vector<TPropertyEntry> entries_;
    std::unordered_map<std::string, uint32_t, TNameHash, std::equal_to<>> index_;
};

// ---------------------------------------------------------------------------
// Value conversions of the member types

namespace property_detail {

template <class V>
inline constexpr bool kIsInteger =
    (std::is_integral_v<V> && !std::is_same_v<V, bool>) || std::is_enum_v<V>;

template <class V>
struct TUnderlying {
    using type = V;
};
template <class V>
requires std::is_enum_v<V>
struct TUnderlying<V> {
    using type = std::underlying_type_t<V>;
};

template <class V>
constexpr TValueForm FormOf() {
    if constexpr (std::is_same_v<V, bool>) {
        return TValueForm::kBool;
    } else if constexpr (std::is_same_v<V, std::string>) {
        return TValueForm::kString;
    } else if constexpr (std::is_same_v<V, Variant>) {
        return TValueForm::kVariant;
    } else if constexpr (std::is_floating_point_v<V>) {
        return TValueForm::kFloat;
    } else {
        static_assert(kIsInteger<V>,
                      "A property holds bool, an integer, an enumeration, "
                      "float, double, std::string or Variant.");
        return TValueForm::kInteger;
    }
}

// Raises EVariantError when value lies outside [minimum, maximum].
void CheckRange(int64_t value, int64_t minimum, int64_t maximum);

template <class V>
Variant ToVariant(const V& value) {
    if constexpr (std::is_same_v<V, bool> || std::is_same_v<V, std::string> ||
                  std::is_same_v<V, Variant> || std::is_same_v<V, float>) {
        return Variant(value);
    } else if constexpr (std::is_floating_point_v<V>) {
        return Variant(static_cast<double>(value));
    } else {
        using U = typename TUnderlying<V>::type;
        if constexpr (sizeof(U) < 4 || (sizeof(U) == 4 && std::is_signed_v<U>)) {
            return Variant(static_cast<int32_t>(value));
        } else {
            return Variant(static_cast<int64_t>(value));
        }
    }
}

template <class V>
V FromVariant(const Variant& value, bool checked) {
    if constexpr (std::is_same_v<V, bool>) {
        return value.ToBool();
    } else if constexpr (std::is_same_v<V, std::string>) {
        return value.ToString();
    } else if constexpr (std::is_same_v<V, Variant>) {
        return value;
    } else if constexpr (std::is_same_v<V, float>) {
        // A double beyond float's range has no float value: take the nearest.
        constexpr double kMax = std::numeric_limits<float>::max();
        return static_cast<float>(std::clamp(value.ToDouble(), -kMax, kMax));
    } else if constexpr (std::is_floating_point_v<V>) {
        return static_cast<V>(value.ToDouble());
    } else {
        using U = typename TUnderlying<V>::type;
        const int64_t number = value.ToInt64();
        if (checked) {
            // A 32-bit unsigned member also takes negative 32-bit values as
            // their bit pattern (a colour given as -1 is $FFFFFFFF).
            constexpr bool kUnsigned32 = sizeof(U) == 4 && std::is_unsigned_v<U>;
            constexpr int64_t kMin = kUnsigned32           ? std::numeric_limits<int32_t>::min()
                                     : std::is_signed_v<U> ? int64_t(std::numeric_limits<U>::min())
                                                           : 0;
            constexpr int64_t kMax = sizeof(U) < 8 ? int64_t(std::numeric_limits<U>::max())
                                                   : std::numeric_limits<int64_t>::max();
            CheckRange(number, kMin, kMax);
        }
        return static_cast<V>(static_cast<U>(number));
    }
}

// A member of T (or of a base C of T).
template <class T, class C, class V>
class TFieldAccess final : public TPropertyAccess {
public:
    TFieldAccess(V C::*member, V defaultValue)
        : member_(member), default_(std::move(defaultValue)) {}
    Variant Get(TPersistObject& object) const override { return ToVariant(Member(object)); }
    void Store(TPersistObject& object, const Variant& value, bool checked) const override {
        Member(object) = FromVariant<V>(value, checked);
    }
    void Reset(TPersistObject& object) const override { Member(object) = default_; }
    bool IsDefault(TPersistObject& object) const override { return Member(object) == default_; }
    void Copy(TPersistObject& from, TPersistObject& to) const override {
        Member(to) = Member(from);
    }

private:
    V& Member(TPersistObject& object) const { return static_cast<T&>(object).*member_; }

    V C::*member_;
    V default_;
};

// A getter and an optional setter (null: read-only, never stored or copied).
template <class T, class V, class G, class S>
class TAccessorAccess final : public TPropertyAccess {
public:
    TAccessorAccess(G getter, S setter, V defaultValue)
        : getter_(getter), setter_(setter), default_(std::move(defaultValue)) {}
    Variant Get(TPersistObject& object) const override { return ToVariant(Value(object)); }
    void Store(TPersistObject& object, const Variant& value, bool checked) const override {
        Assign(object, FromVariant<V>(value, checked));
    }
    void Reset(TPersistObject& object) const override { Assign(object, default_); }
    bool IsDefault(TPersistObject& object) const override { return Value(object) == default_; }
    void Copy(TPersistObject& from, TPersistObject& to) const override { Assign(to, Value(from)); }

private:
    V Value(TPersistObject& object) const { return std::invoke(getter_, static_cast<T&>(object)); }
    void Assign(TPersistObject& object, V value) const {
        if constexpr (!std::is_null_pointer_v<S>) {
            std::invoke(setter_, static_cast<T&>(object), std::move(value));
        } else {
            (void)object;
            (void)value;
        }
    }

    G getter_;
    S setter_;
    V default_;
};

// Functions of the caller's own: a property only, never stored or copied.
template <class T>
class TCustomAccess final : public TPropertyAccess {
public:
    using TGet = Variant (*)(T&);
    using TSet = void (*)(T&, const Variant&);
    TCustomAccess(TGet get, TSet set) : get_(get), set_(set) {}
    Variant Get(TPersistObject& object) const override {
        return get_ ? get_(static_cast<T&>(object)) : Variant::Null();
    }
    void Store(TPersistObject& object, const Variant& value, bool checked) const override {
        (void)checked;
        if (set_) set_(static_cast<T&>(object), value);
    }
    void Reset(TPersistObject&) const override {}
    bool IsDefault(TPersistObject&) const override { return true; }
    void Copy(TPersistObject&, TPersistObject&) const override {}

private:
    TGet get_;
    TSet set_;
};

}  // namespace property_detail

// ---------------------------------------------------------------------------
// The builder: entries are added in order; each modifier applies to the entry
// added last.

template <class T>
class TPropertyTable::Builder {
public:
    explicit Builder(const TPropertyTable& base) : base_(base) {}

    // A member of T (or of a base class of T) under a property name that is
    // also its key. The default converts to the member's type.
    template <class V, class C, class D = V>
    Builder& Field(std::string_view name, V C::*member, const D& defaultValue = D()) {
        static_assert(std::is_base_of_v<C, T>, "The member belongs to another class.");
        Add(name, property_detail::FormOf<V>(),
            std::make_shared<property_detail::TFieldAccess<T, C, V>>(member, V(defaultValue)));
        return *this;
    }

    // A getter (virtual ones dispatch as usual) and a setter, which may be
    // nullptr: then the property is read-only and neither stored nor copied.
    template <class G, class S, class D>
    Builder& Accessor(std::string_view name, G getter, S setter, const D& defaultValue) {
        using V = std::decay_t<std::invoke_result_t<G, T&>>;
        Add(name, property_detail::FormOf<V>(),
            std::make_shared<property_detail::TAccessorAccess<T, V, G, S>>(getter, setter,
                                                                           V(defaultValue)));
        if constexpr (std::is_null_pointer_v<S>) {
            TPropertyEntry& entry = Last();
            entry.settable = false;
            entry.assignable = false;
            entry.key.clear();
            storable_.back() = false;
        }
        return *this;
    }
    template <class G, class S>
    Builder& Accessor(std::string_view name, G getter, S setter) {
        using V = std::decay_t<std::invoke_result_t<G, T&>>;
        return Accessor(name, getter, setter, V());
    }

    // Functions for what a member or accessor cannot say. A property only:
    // never stored, never copied; a null set makes it read-only. set raises
    // for a value it cannot take.
    Builder& Custom(std::string_view name, Variant (*get)(T&), void (*set)(T&, const Variant&)) {
        Add(name, TValueForm::kVariant,
            std::make_shared<property_detail::TCustomAccess<T>>(get, set));
        TPropertyEntry& entry = Last();
        entry.key.clear();
        entry.assignable = false;
        entry.settable = set != nullptr;
        storable_.back() = false;
        return *this;
    }

    // Not settable by name (Get, Load, Save and Assign still take it).
    Builder& ReadOnly() {
        Last().settable = false;
        return *this;
    }
    // A property only, with no storage key.
    Builder& NotStored() {
        Last().key.clear();
        return *this;
    }
    // A storage key only, not reachable by name.
    Builder& StorageOnly() {
        TPropertyEntry& entry = Last();
        QM_ASSERT(entry.IsStored(), "A storage-only entry needs a storage key.");
        entry.isProperty = false;
        return *this;
    }
    // Stored under another key than the property name.
    Builder& Key(std::string_view key) {
        QM_ASSERT(!key.empty(), "A storage key cannot be empty.");
        QM_ASSERT(storable_.back(),
                  "A getter without a setter or a custom entry cannot be stored.");
        Last().key = key;
        return *this;
    }
    // Written even when it equals the default.
    Builder& SaveAlways() {
        Last().saveAlways = true;
        return *this;
    }
    // Not copied by Assign (AssignTo, Clone).
    Builder& NoAssign() {
        Last().assignable = false;
        return *this;
    }
    // An integer member written "$AARRGGBB".
    Builder& Color() {
        TPropertyEntry& entry = Last();
        QM_ASSERT(entry.form == TValueForm::kInteger, "Only an integer member can be a colour.");
        entry.form = TValueForm::kColor;
        return *this;
    }
    // An integer or enumeration member stored as the entry of a "/"-list at
    // its value ("/png/jpeg/jpng/unknown"); by name it answers the index and
    // takes the index or the entry's text.
    Builder& Enum(std::string_view list) {
        TPropertyEntry& entry = Last();
        QM_ASSERT(entry.form == TValueForm::kInteger,
                  "Only an integer or enumeration member can be a list entry.");
        entry.form = TValueForm::kEnum;
        entry.list = list;
        return *this;
    }

    TPropertyTable Build() { return TPropertyTable(base_, std::move(own_)); }

private:
    void Add(std::string_view name, TValueForm form,
             std::shared_ptr<const TPropertyAccess> access) {
        QM_ASSERT(!name.empty(), "A property entry needs a name.");
        TPropertyEntry& entry = own_.emplace_back();
        entry.name = name;
        entry.key = name;
        entry.form = form;
        entry.access = std::move(access);
        storable_.push_back(true);
    }
    TPropertyEntry& Last() {
        QM_ASSERT(!own_.empty(), "A modifier needs an entry before it.");
        return own_.back();
    }

    const TPropertyTable& base_;
    std::vector<TPropertyEntry> own_;
    std::vector<bool> storable_;  // per own entry: whether it can load a value
};
