// The one text form of each kind of stored value, shared by the typed readers
// and writers (EngineGeneralClasses.h) and the property tables
// (PropertyTable.h), and the one place that reports a stored text that does
// not convert.
//
// Failures: the parsers answer false and leave their result unchanged; the
// formatters never fail except where they say so. Only ReadStoredText passes
// on what the storage raises.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/Variant.h"
#include "core/storage/PersistenceService.h"

enum class TValueForm : uint8_t {
    kString,   // the text unchanged
    kBool,     // exactly "yes" or "no"
    kInteger,  // 32-bit: decimal with an optional sign, or hexadecimal after "$"
    kFloat,    // "." (or ",") as the decimal separator, finite; written with "."
    kColor,    // as kInteger, decimal also up to 4294967295; written "$AARRGGBB"
    kEnum,     // one entry of a "/"-list such as "/png/jpeg/jpng/unknown"
    kVariant,  // the text as a string variant; written as the variant's text
};

// The key's text; false for a null storage or an absent value. A value the
// node lacks and its out-storage holds counts as present; a value of the node
// that happens to equal some default is still the node's own, never the
// template's.
bool ReadStoredText(const Ref<IHierStorage>& storage, const std::string& key, std::string& text);

bool ParseBoolText(std::string_view text, bool& value);
// Leading blanks allowed. Decimal values must lie in [minimum, maximum]; a
// "$" value is a 32-bit pattern, read as unsigned when maximum exceeds
// INT32_MAX and as signed otherwise.
bool ParseIntegerText(std::string_view text, int64_t minimum, int64_t maximum, int64_t& value);
// Infinities and NaN do not convert.
bool ParseFloatText(std::string_view text, double& value);
// The index of text among the list's entries (cut as Split cuts: empty
// entries dropped, case counts); -1 when it is none of them.
int32_t FindListEntry(std::string_view list, std::string_view text);
// The list entry at index; false for an index outside the list.
bool ListEntryAt(std::string_view list, int32_t index, std::string& entry);
// General form, at most 15 significant digits, "." whatever the locale.
std::string FloatText(double value);
// "$" and 8 upper-case hexadecimal digits.
std::string ColorText(uint32_t value);

// A present text in its form's variant: kInteger, kColor and kEnum (the
// index) as int64, kFloat as double, kBool as bool, kString and kVariant as
// string. False when it does not convert.
bool ParseValueText(TValueForm form, std::string_view list, std::string_view text, Variant& value);
// The text of a value in a form; false when it has none (an index outside
// the enum list). Raises EVariantError for a value with no such form.
bool FormatValueText(TValueForm form, std::string_view list, const Variant& value,
                     std::string& text);
// What the form expects, for messages: "an integer", "one of \"/a/b\""...
std::string DescribeValueForm(TValueForm form, std::string_view list);

// One log line for a present text that does not convert: the node's path,
// the key (and the property when its name differs), the text and what was
// expected.
void LogUnconvertedText(const Ref<IHierStorage>& storage, std::string_view key,
                        std::string_view property, std::string_view text, TValueForm form,
                        std::string_view list);

// While a template object saves into its throwaway document, the writers
// write every value, also those equal to the class default: a value set back
// to its default may still differ from the template's, and only a written
// value can be compared with it and carried into the owner's node.
bool WritesAllValues();

class TWriteAllScope {
public:
    explicit TWriteAllScope(bool writeAll);
    ~TWriteAllScope();
    TWriteAllScope(const TWriteAllScope&) = delete;
    TWriteAllScope& operator=(const TWriteAllScope&) = delete;

private:
    bool previous_;
};
