// Variant: the tagged value of every parameter, property, option and attribute.
//
// Empty (unassigned) and Null are distinct values. The type codes are the
// classic variant codes, which the binary XML form also writes.
//
// Conversions:
// - Text to number accepts "." or "," as the decimal separator, whatever the
//   process locale; text that is no number raises EVariantError.
// - Numbers to text use "." and up to 15 significant digits ("0.5", "1E20").
// - 8-bit text widens one byte per code unit; wide text narrows the same way,
//   a unit above 255 becoming "?". (UTF-8 is decoded by the callers that know
//   their text is UTF-8.)
// - Two texts compare and add as texts; a text meeting a number takes part as
//   a number ("0" + "3" is "03", Variant(0) + "3" is 3, "10" < Variant(9) is
//   false).
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "core/base/Exception.h"
#include "core/base/Interface.h"

using WideString = std::u16string;
using ByteArray = std::vector<uint8_t>;

enum TVarType : uint16_t {
    varEmpty = 0,
    varNull = 1,
    varSmallint = 2,
    varInteger = 3,
    varSingle = 4,
    varDouble = 5,
    varCurrency = 6,
    varDate = 7,
    varOleStr = 8,
    varBoolean = 11,
    varUnknown = 13,
    varByte = 17,
    varInt64 = 20,
    varString = 0x100,
    varByteArray = 0x2011,
};

// Fixed-point money: the value times 10000.
struct Currency {
    int64_t scaled = 0;
    bool operator==(const Currency&) const = default;
};

// Days since 30 December 1899; the fraction is the time of day.
struct TDateTime {
    double days = 0;
    bool operator==(const TDateTime&) const = default;
};

class Variant {
public:
    struct NullTag {
        bool operator==(const NullTag&) const = default;
    };

    Variant() = default;
    Variant(int16_t v) : value_(v) {}
    Variant(int32_t v) : value_(v) {}
    Variant(int64_t v) : value_(v) {}
    Variant(uint8_t v) : value_(v) {}
    Variant(float v) : value_(v) {}
    Variant(double v) : value_(v) {}
    Variant(Currency v) : value_(v) {}
    Variant(TDateTime v) : value_(v) {}
    Variant(bool v) : value_(v) {}
    Variant(std::string v) : value_(std::move(v)) {}
    Variant(const char* v) : value_(std::string(v)) {}
    Variant(WideString v) : value_(std::move(v)) {}
    Variant(const char16_t* v) : value_(WideString(v)) {}
    Variant(ByteArray v) : value_(std::move(v)) {}
    template <class T>
    Variant(const Ref<T>& v) : value_(Ref<IInterface>(v.get())) {}

    static Variant Null() {
        Variant v;
        v.value_ = NullTag{};
        return v;
    }

    TVarType Type() const;
    bool IsEmpty() const { return value_.index() == 0; }
    bool IsNull() const { return std::holds_alternative<NullTag>(value_); }
    // Empty or Null: no value at all.
    bool IsUnassigned() const { return IsEmpty() || IsNull(); }
    bool IsString() const;   // 8-bit or wide text
    bool IsNumeric() const;  // integer, float, currency, date-time or boolean

    // Conversions; each raises EVariantError when the value has no such form.
    // Empty reads as 0, false or ""; Null converts to nothing but text ("").
    std::string ToString() const;
    WideString ToWideString() const;
    int32_t ToInt() const;
    int64_t ToInt64() const;
    double ToDouble() const;
    bool ToBool() const;
    Ref<IInterface> ToInterface() const;  // null for Empty and Null
    ByteArray ToBytes() const;

    // Direct access to the stored alternative (nullptr when it is another).
    template <class T>
    const T* Get() const {
        return std::get_if<T>(&value_);
    }

    // Equality never raises: values that cannot be compared are unequal.
    friend bool operator==(const Variant& a, const Variant& b);
    // Ordering; unordered for Null against a value and for interfaces. Raises
    // EVariantError when a text meeting a number is no number.
    friend std::partial_ordering operator<=>(const Variant& a, const Variant& b);

    friend Variant operator+(const Variant& a, const Variant& b);
    friend Variant operator-(const Variant& a, const Variant& b);
    friend Variant operator*(const Variant& a, const Variant& b);
    friend Variant operator/(const Variant& a, const Variant& b);
    Variant operator-() const;

private:
    using Storage = std::variant<std::monostate, NullTag, int16_t, int32_t, int64_t, uint8_t, float,
                                 double, Currency, TDateTime, bool, std::string, WideString,
                                 ByteArray, Ref<IInterface>>;
    Storage value_;
};

// Text forms shared with the XML library and the storage readers.
// Floats: general format, 15 significant digits, "." separator.
std::string FloatToText(double value, int significantDigits = 15);
// Parses a float with "." or "," as separator; false when the whole text is
// no number (leading and trailing blanks allowed).
bool TryTextToFloat(std::string_view text, double& value);
// Parses a decimal integer (optional sign, blanks around it); false on
// anything else, including overflow of 64 bits.
bool TryTextToInt64(std::string_view text, int64_t& value);

// Values read by name from data may hold anything; these read them without
// letting a conversion error through.
// The value as text; empty for no value and for one without a text form.
std::string TextOrEmpty(const Variant& value);
// The value as a finite number: a text is parsed, any other value converted;
// fallback for no value, text that is no number, a value without a number
// form, NaN and the infinities.
double FiniteNumberOr(const Variant& value, double fallback = 0.0);
