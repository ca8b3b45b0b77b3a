#include "core/base/Variant.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "core/base/AsciiText.h"

namespace {

const char* TypeName(TVarType t) {
    switch (t) {
        case varEmpty:
            return "Empty";
        case varNull:
            return "Null";
        case varSmallint:
            return "Smallint";
        case varInteger:
            return "Integer";
        case varSingle:
            return "Single";
        case varDouble:
            return "Double";
        case varCurrency:
            return "Currency";
        case varDate:
            return "Date";
        case varOleStr:
            return "OleStr";
        case varBoolean:
            return "Boolean";
        case varUnknown:
            return "Unknown";
        case varByte:
            return "Byte";
        case varInt64:
            return "Int64";
        case varString:
            return "String";
        case varByteArray:
            return "Array Byte";
    }
    return "?";
}

[[noreturn]] void CannotConvert(TVarType from, const char* to) {
    throw EVariantError(std::string("Could not convert variant of type (") + TypeName(from) +
                        ") into type (" + to + ")");
}

std::string DateTimeToText(TDateTime dt) {
    // Civil date from days since 1899-12-30 (proleptic Gregorian).
    double whole = std::floor(dt.days);
    int64_t seconds = std::llround((dt.days - whole) * 86400.0);
    int64_t days = static_cast<int64_t>(whole) + seconds / 86400;
    seconds %= 86400;
    int64_t z = days + 693899;  // days since 0000-03-01
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    int64_t d = doy - (153 * mp + 2) / 5 + 1;
    int64_t m = mp < 10 ? mp + 3 : mp - 9;
    int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4d-%.2d-%.2dT%.2d-%.2d-%.2d", static_cast<int>(y),
                  static_cast<int>(m), static_cast<int>(d), static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return buf;
}

std::string CurrencyToText(Currency c) {
    int64_t whole = c.scaled / 10000;
    int64_t frac = c.scaled % 10000;
    std::string s = (c.scaled < 0 && whole == 0) ? "-0" : std::to_string(whole);
    if (frac != 0) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04d", static_cast<int>(frac < 0 ? -frac : frac));
        std::string digits = buf;
        while (digits.back() == '0') digits.pop_back();
        s += "." + digits;
    }
    return s;
}

// The numeric view of a value for arithmetic and mixed comparisons.
struct Number {
    bool isInt;
    int64_t i;
    double d;
};

Number ToNumber(const Variant& v) {
    switch (v.Type()) {
        case varEmpty:
            return {true, 0, 0};
        case varSmallint:
        case varInteger:
        case varInt64:
        case varByte:
        case varBoolean: {
            int64_t i = v.ToInt64();
            return {true, i, static_cast<double>(i)};
        }
        case varOleStr:
        case varString: {
            std::string text = v.ToString();
            int64_t i;
            if (TryTextToInt64(text, i)) return {true, i, static_cast<double>(i)};
            return {false, 0, v.ToDouble()};
        }
        default:
            return {false, 0, v.ToDouble()};
    }
}

template <class IntOp, class FloatOp>
Variant Arithmetic(const Variant& a, const Variant& b, IntOp intOp, FloatOp floatOp) {
    if (a.IsNull() || b.IsNull()) return Variant::Null();
    Number x = ToNumber(a), y = ToNumber(b);
    if (x.isInt && y.isInt) {
        int64_t r;
        if (intOp(x.i, y.i, r)) {
            if (r >= std::numeric_limits<int32_t>::min() &&
                r <= std::numeric_limits<int32_t>::max())
                return Variant(static_cast<int32_t>(r));
            return Variant(r);
        }
    }
    return Variant(floatOp(x.d, y.d));
}

}  // namespace

std::string FloatToText(double value, int significantDigits) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    // to_chars ignores the process locale, unlike printf.
    char buf[64];
    auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, significantDigits);
    std::string s(buf, ec == std::errc() ? end : buf);
    // The general form writes "1e+20" and "1e-05"; the engine's form is "1E20" and "1E-5".
    size_t e = s.find('e');
    if (e != std::string::npos) {
        std::string mantissa = s.substr(0, e);
        std::string exponent = s.substr(e + 1);
        bool negative = exponent[0] == '-';
        size_t digits = exponent.find_first_not_of("+-0");
        exponent = digits == std::string::npos ? "0" : exponent.substr(digits);
        s = mantissa + "E" + (negative ? "-" : "") + exponent;
    }
    return s;
}

bool TryTextToFloat(std::string_view text, double& value) {
    std::string_view t = Trim(text);
    if (t.empty()) return false;
    std::string s(t);
    for (char& c : s) {
        if (c == ',') c = '.';
    }
    const char* first = s.data();
    if (*first == '+') ++first;
    double result = 0;
    auto [end, ec] = std::from_chars(first, s.data() + s.size(), result);
    if (ec != std::errc() || end != s.data() + s.size()) return false;
    value = result;
    return true;
}

bool TryTextToInt64(std::string_view text, int64_t& value) {
    std::string_view t = Trim(text);
    if (t.empty()) return false;
    if (t.front() == '+') t.remove_prefix(1);
    int64_t result = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), result);
    if (ec != std::errc() || end != t.data() + t.size()) return false;
    value = result;
    return true;
}

TVarType Variant::Type() const {
    static constexpr TVarType kTypes[] = {varEmpty,    varNull,      varSmallint, varInteger,
                                          varInt64,    varByte,      varSingle,   varDouble,
                                          varCurrency, varDate,      varBoolean,  varString,
                                          varOleStr,   varByteArray, varUnknown};
    static_assert(std::size(kTypes) == std::variant_size_v<Storage>);
    return kTypes[value_.index()];
}

bool Variant::IsString() const {
    return std::holds_alternative<std::string>(value_) ||
           std::holds_alternative<WideString>(value_);
}

bool Variant::IsNumeric() const {
    switch (Type()) {
        case varSmallint:
        case varInteger:
        case varInt64:
        case varByte:
        case varSingle:
        case varDouble:
        case varCurrency:
        case varDate:
        case varBoolean:
            return true;
        default:
            return false;
    }
}

std::string Variant::ToString() const {
    switch (Type()) {
        case varEmpty:
        case varNull:
            return {};
        case varSmallint:
        case varInteger:
        case varInt64:
        case varByte:
            return std::to_string(ToInt64());
        case varSingle:
            return FloatToText(*Get<float>(), 7);
        case varDouble:
            return FloatToText(*Get<double>());
        case varCurrency:
            return CurrencyToText(*Get<Currency>());
        case varDate:
            return DateTimeToText(*Get<TDateTime>());
        case varBoolean:
            return *Get<bool>() ? "True" : "False";
        case varString:
            return *Get<std::string>();
        case varOleStr:
            return WideToString(*Get<WideString>());
        default:
            CannotConvert(Type(), "String");
    }
}

WideString Variant::ToWideString() const {
    if (const WideString* w = Get<WideString>()) return *w;
    return StringToWide(ToString());
}

int64_t Variant::ToInt64() const {
    switch (Type()) {
        case varEmpty:
            return 0;
        case varSmallint:
            return *Get<int16_t>();
        case varInteger:
            return *Get<int32_t>();
        case varInt64:
            return *Get<int64_t>();
        case varByte:
            return *Get<uint8_t>();
        case varBoolean:
            return *Get<bool>() ? 1 : 0;
        case varString:
        case varOleStr: {
            std::string text = ToString();
            int64_t i;
            if (TryTextToInt64(text, i)) return i;
            double d;
            if (TryTextToFloat(text, d) && std::fabs(d) < 9.2e18) return std::llround(d);
            CannotConvert(Type(), "Int64");
        }
        case varSingle:
        case varDouble:
        case varCurrency:
        case varDate: {
            double d = ToDouble();
            if (!(std::fabs(d) < 9.2e18)) CannotConvert(Type(), "Int64");
            // Banker's rounding, as the classic variant conversion does.
            return static_cast<int64_t>(std::nearbyint(d));
        }
        default:
            CannotConvert(Type(), "Int64");
    }
}

int32_t Variant::ToInt() const {
    int64_t v = ToInt64();
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        throw EVariantError("Value out of range for an integer: " + std::to_string(v));
    return static_cast<int32_t>(v);
}

double Variant::ToDouble() const {
    switch (Type()) {
        case varSingle:
            return *Get<float>();
        case varDouble:
            return *Get<double>();
        case varCurrency:
            return static_cast<double>(Get<Currency>()->scaled) / 10000.0;
        case varDate:
            return Get<TDateTime>()->days;
        case varString:
        case varOleStr: {
            double d;
            if (TryTextToFloat(ToString(), d)) return d;
            CannotConvert(Type(), "Double");
        }
        case varEmpty:
        case varSmallint:
        case varInteger:
        case varInt64:
        case varByte:
        case varBoolean:
            return static_cast<double>(ToInt64());
        default:
            CannotConvert(Type(), "Double");
    }
}

bool Variant::ToBool() const {
    switch (Type()) {
        case varBoolean:
            return *Get<bool>();
        case varString:
        case varOleStr: {
            std::string text(Trim(ToString()));
            std::string upper = text;
            for (char& c : upper)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (upper == "TRUE") return true;
            if (upper == "FALSE") return false;
            double d;
            if (TryTextToFloat(text, d)) return d != 0;
            CannotConvert(Type(), "Boolean");
        }
        case varNull:
        case varUnknown:
        case varByteArray:
            CannotConvert(Type(), "Boolean");
        default:
            return ToDouble() != 0;
    }
}

Ref<IInterface> Variant::ToInterface() const {
    if (IsUnassigned()) return nullptr;
    if (const Ref<IInterface>* r = Get<Ref<IInterface>>()) return *r;
    CannotConvert(Type(), "Unknown");
}

ByteArray Variant::ToBytes() const {
    if (const ByteArray* b = Get<ByteArray>()) return *b;
    if (IsEmpty()) return {};
    CannotConvert(Type(), "Array Byte");
}

bool operator==(const Variant& a, const Variant& b) {
    try {
        return (a <=> b) == 0;
    } catch (const EVariantError&) {
        return false;
    }
}

std::partial_ordering operator<=>(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull()) {
        return a.IsNull() && b.IsNull() ? std::partial_ordering::equivalent
                                        : std::partial_ordering::unordered;
    }
    const auto* ia = a.Get<Ref<IInterface>>();
    const auto* ib = b.Get<Ref<IInterface>>();
    if (ia || ib) {
        if (ia && ib && *ia == *ib) return std::partial_ordering::equivalent;
        return std::partial_ordering::unordered;
    }
    if (const auto* ba = a.Get<ByteArray>()) {
        const auto* bb = b.Get<ByteArray>();
        if (bb && *ba == *bb) return std::partial_ordering::equivalent;
        return std::partial_ordering::unordered;
    }
    // Texts against texts (Empty reading as "") compare as texts.
    bool textA = a.IsString() || (a.IsEmpty() && b.IsString());
    bool textB = b.IsString() || (b.IsEmpty() && a.IsString());
    if (textA && textB) {
        if (a.Get<std::string>() && b.Get<std::string>())
            return *a.Get<std::string>() <=> *b.Get<std::string>();
        return a.ToWideString() <=> b.ToWideString();
    }
    Number x = ToNumber(a), y = ToNumber(b);
    if (x.isInt && y.isInt) return x.i <=> y.i;
    return x.d <=> y.d;
}

Variant operator+(const Variant& a, const Variant& b) {
    if (!a.IsNull() && !b.IsNull()) {
        bool textA = a.IsString() || (a.IsEmpty() && b.IsString());
        bool textB = b.IsString() || (b.IsEmpty() && a.IsString());
        if (textA && textB) {
            if (a.Get<WideString>() || b.Get<WideString>())
                return Variant(a.ToWideString() + b.ToWideString());
            return Variant(a.ToString() + b.ToString());
        }
    }
    return Arithmetic(
        a, b, [](int64_t x, int64_t y, int64_t& r) { return !__builtin_add_overflow(x, y, &r); },
        [](double x, double y) { return x + y; });
}

Variant operator-(const Variant& a, const Variant& b) {
    return Arithmetic(
        a, b, [](int64_t x, int64_t y, int64_t& r) { return !__builtin_sub_overflow(x, y, &r); },
        [](double x, double y) { return x - y; });
}

Variant operator*(const Variant& a, const Variant& b) {
    return Arithmetic(
        a, b, [](int64_t x, int64_t y, int64_t& r) { return !__builtin_mul_overflow(x, y, &r); },
        [](double x, double y) { return x * y; });
}

Variant operator/(const Variant& a, const Variant& b) {
    // Division always answers a float, as with the classic "/" operator.
    return Arithmetic(
        a, b, [](int64_t, int64_t, int64_t&) { return false; },
        [](double x, double y) { return x / y; });
}

Variant Variant::operator-() const {
    if (IsNull()) return Null();
    return Variant(int32_t{0}) - *this;
}

std::string TextOrEmpty(const Variant& value) {
    try {
        return value.ToString();
    } catch (const Exception&) {
        return {};
    }
}

double FiniteNumberOr(const Variant& value, double fallback) {
    if (value.IsUnassigned()) return fallback;
    double number = 0.0;
    if (value.IsString()) {
        if (!TryTextToFloat(value.ToString(), number)) return fallback;
    } else {
        try {
            number = value.ToDouble();
        } catch (const Exception&) {
            return fallback;
        }
    }
    return std::isfinite(number) ? number : fallback;
}
