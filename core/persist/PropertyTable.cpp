#include "core/persist/PropertyTable.h"

#include <exception>

#include "core/base/Log.h"
#include "core/persist/EngineGeneralClasses.h"

namespace {

// "Sound \"click\"", "Sound", or "object" for an unregistered class without
// a name: how a log line names the object whose property was refused.
std::string DescribeObject(TPersistObject& object) {
    std::string text = object.GetTypeName().empty() ? "object" : object.GetTypeName();
    if (!object.Name().empty()) text += " \"" + object.Name() + "\"";
    return text;
}

std::string DescribeValue(const Variant& value) {
    try {
        return "\"" + value.ToString() + "\"";
    } catch (const std::exception&) {
        return "a value of type " + std::to_string(value.Type());
    }
}

// The index an enumeration property is set to: the entry named by a text, or
// a number inside the list. Raises EVariantError otherwise.
Variant EnumIndex(const TPropertyEntry& entry, const Variant& value) {
    int64_t index;
    if (value.IsString()) {
        index = FindListEntry(entry.list, value.ToString());
    } else {
        index = value.ToInt64();
        std::string unused;
        if (index < 0 || index > INT32_MAX || !ListEntryAt(entry.list, int32_t(index), unused)) {
            index = -1;
        }
    }
    if (index < 0) throw EVariantError("not one of \"" + entry.list + "\"");
    return Variant(index);
}

bool IsTextForm(TValueForm form) {
    return form == TValueForm::kString || form == TValueForm::kVariant;
}

}  // namespace

void property_detail::CheckRange(int64_t value, int64_t minimum, int64_t maximum) {
    if (value < minimum || value > maximum) {
        throw EVariantError(std::to_string(value) + " is outside " + std::to_string(minimum) +
                            ".." + std::to_string(maximum));
    }
}

TPropertyTable::TPropertyTable(const TPropertyTable& base, std::vector<TPropertyEntry> own)
    : entries_(base.entries_) {
    // Which entries this class declared itself: a second declaration of the
    // same name or key in one class is a mistake, not an override.
    std::vector<bool> declaredHere(entries_.size(), false);
    for (TPropertyEntry& entry : own) {
        size_t place = entries_.size();
        for (size_t i = 0; i < entries_.size(); ++i) {
            TPropertyEntry& old = entries_[i];
            if (!old.access) continue;  // replaced already
            const bool sameName = entry.isProperty && old.isProperty && old.name == entry.name;
            const bool sameKey = entry.IsStored() && old.IsStored() && old.key == entry.key;
            if (!sameName && !sameKey) continue;
            QM_ASSERT(!declaredHere[i], "A class declares one property name or key twice.");
            if (place == entries_.size()) {
                place = i;
            } else {
                old.access = nullptr;  // a second base entry the new one also stands for
            }
        }
        if (place == entries_.size()) {
            entries_.push_back(std::move(entry));
            declaredHere.push_back(true);
        } else {
            entries_[place] = std::move(entry);
            declaredHere[place] = true;
        }
    }
    std::erase_if(entries_, [](const TPropertyEntry& entry) { return !entry.access; });
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].isProperty) index_.emplace(entries_[i].name, uint32_t(i));
    }
}

const TPropertyEntry* TPropertyTable::Find(std::string_view name) const {
    auto found = index_.find(name);
    return found == index_.end() ? nullptr : &entries_[found->second];
}

bool TPropertyTable::Get(TPersistObject& object, std::string_view name, Variant& value) const {
    const TPropertyEntry* entry = Find(name);
    if (!entry) return false;
    value = entry->access->Get(object);
    return true;
}

bool TPropertyTable::Set(TPersistObject& object, std::string_view name,
                         const Variant& value) const {
    const TPropertyEntry* entry = Find(name);
    if (!entry || !entry->settable) return false;
    try {
        if (entry->form == TValueForm::kEnum) {
            entry->access->Store(object, EnumIndex(*entry, value), true);
        } else {
            entry->access->Store(object, value, true);
        }
    } catch (const std::exception& e) {
        Log("PERSIST", DescribeObject(object) + ": property \"" + entry->name + "\" cannot take " +
                           DescribeValue(value) + " (" + e.what() + "); it keeps its value");
    }
    return true;
}

void TPropertyTable::Load(TPersistObject& object, const Ref<IHierStorage>& storage) const {
    std::string text;
    Variant value;
    for (const TPropertyEntry& entry : entries_) {
        if (!entry.IsStored()) continue;
        // An empty text is no value for a number, a flag or a list entry.
        if (!ReadStoredText(storage, entry.key, text) ||
            (text.empty() && !IsTextForm(entry.form))) {
            entry.access->Reset(object);
        } else if (ParseValueText(entry.form, entry.list, text, value)) {
            entry.access->Store(object, value, false);
        } else {
            LogUnconvertedText(storage, entry.key, entry.name, text, entry.form, entry.list);
            entry.access->Reset(object);
        }
    }
}

void TPropertyTable::Save(TPersistObject& object, const Ref<IHierStorage>& storage) const {
    if (!storage) return;
    const bool writeAll = WritesAllValues();
    std::string text;
    for (const TPropertyEntry& entry : entries_) {
        if (!entry.IsStored()) continue;
        if (!entry.saveAlways && !writeAll && entry.access->IsDefault(object)) continue;
        if (FormatValueText(entry.form, entry.list, entry.access->Get(object), text)) {
            storage->SetValue(entry.key, Variant(std::move(text)));
        }
    }
}

void TPropertyTable::Assign(TPersistObject& from, TPersistObject& to,
                            const TPropertyTable& toTable) const {
    for (const TPropertyEntry& entry : entries_) {
        if (!entry.assignable) continue;
        if (&toTable != this) {
            bool shared = false;
            for (const TPropertyEntry& other : toTable.entries_) {
                shared = shared || other.access == entry.access;
            }
            if (!shared) continue;
        }
        entry.access->Copy(from, to);
    }
}
