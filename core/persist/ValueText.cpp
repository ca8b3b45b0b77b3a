#include "core/persist/ValueText.h"

#include <clocale>
#include <cmath>
#include <cstdio>

#include "core/base/AsciiText.h"
#include "core/base/Log.h"
#include "core/base/ParamStringUtils.h"

namespace {

// Handed to IHierStorage::GetValue as the default so that an absent value can
// be told from one that holds exactly the caller's default text. The storage
// asks the out-storage whenever the node's text equals the default it was
// given; with the caller's default, a value an object had set back to its
// default would be read from its template instead. Control characters cannot
// stand in an XML attribute, so no stored value equals this one.
const Variant& AbsentMarker() {
    static const Variant marker(std::string("\x01\x02"));
    return marker;
}

bool IsHexDigit(char c, uint32_t& digit) {
    if (c >= '0' && c <= '9') {
        digit = uint32_t(c - '0');
    } else if (c >= 'a' && c <= 'f') {
        digit = uint32_t(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
        digit = uint32_t(c - 'A' + 10);
    } else {
        return false;
    }
    return true;
}

// The entries of a "/"-list as Split cuts it: the whole text trimmed of
// characters below 33, empty entries dropped. Calls f(index, entry) until it
// answers true; answers whether it did.
template <class F>
bool ForEachListEntry(std::string_view list, F&& f) {
    if (list.find('{') != std::string_view::npos) {
        // Braces change how Split cuts; let it decide.
        TOneArrayOfString pieces;
        int count = Split(list, pieces, '/');
        for (int i = 0; i < count; ++i) {
            if (f(i, std::string_view(pieces[size_t(i)]))) return true;
        }
        return false;
    }
    list = Trim(list);
    int32_t index = 0;
    while (!list.empty()) {
        size_t slash = list.find('/');
        std::string_view entry = list.substr(0, slash);
        list = slash == std::string_view::npos ? std::string_view() : list.substr(slash + 1);
        if (entry.empty()) continue;
        if (f(index++, entry)) return true;
    }
    return false;
}

bool g_writeAllValues = false;

}  // namespace

bool ReadStoredText(const Ref<IHierStorage>& storage, const std::string& key, std::string& text) {
    if (!storage) return false;
    Variant value = storage->GetValue(key, AbsentMarker());
    if (const std::string* s = value.Get<std::string>()) {
        if (*s == *AbsentMarker().Get<std::string>()) return false;
        text = std::move(*const_cast<std::string*>(s));
        return true;
    }
    if (value.IsUnassigned()) return false;
    text = value.ToString();
    return true;
}

bool ParseBoolText(std::string_view text, bool& value) {
    if (text == "yes") {
        value = true;
    } else if (text == "no") {
        value = false;
    } else {
        return false;
    }
    return true;
}

bool ParseIntegerText(std::string_view text, int64_t minimum, int64_t maximum, int64_t& value) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size()) return false;
    if (text[i] == '$') {
        ++i;
        if (i >= text.size()) return false;
        uint64_t result = 0;
        for (; i < text.size(); ++i) {
            uint32_t digit;
            if (!IsHexDigit(text[i], digit)) return false;
            result = result * 16 + digit;
            if (result > 0xFFFFFFFFull) return false;
        }
        uint32_t bits = uint32_t(result);
        if (negative) bits = 0u - bits;
        value = maximum > INT32_MAX ? int64_t(bits) : int64_t(int32_t(bits));
        return true;
    }
    uint64_t result = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        result = result * 10 + uint64_t(text[i] - '0');
        if (result > 0xFFFFFFFFFull) return false;  // far beyond any 32-bit value
    }
    int64_t signedValue = negative ? -int64_t(result) : int64_t(result);
    if (signedValue < minimum || signedValue > maximum) return false;
    value = signedValue;
    return true;
}

bool ParseFloatText(std::string_view text, double& value) {
    double parsed;
    if (!TryTextToFloat(text, parsed) || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

int32_t FindListEntry(std::string_view list, std::string_view text) {
    int32_t found = -1;
    ForEachListEntry(list, [&](int32_t index, std::string_view entry) {
        if (entry != text) return false;
        found = index;
        return true;
    });
    return found;
}

bool ListEntryAt(std::string_view list, int32_t index, std::string& entry) {
    if (index < 0) return false;
    return ForEachListEntry(list, [&](int32_t i, std::string_view piece) {
        if (i != index) return false;
        entry = piece;
        return true;
    });
}

std::string FloatText(double value) {
    std::string text = FloatToText(value, 15);
    // The text form may follow the process locale; documents always hold ".".
    const char* point = std::localeconv()->decimal_point;
    if (point && point[0] && point[0] != '.') {
        for (char& c : text) {
            if (c == point[0]) c = '.';
        }
    }
    return text;
}

std::string ColorText(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "$%08X", unsigned(value));
    return text;
}

bool ParseValueText(TValueForm form, std::string_view list, std::string_view text, Variant& value) {
    int64_t integer = 0;
    switch (form) {
        case TValueForm::kString:
        case TValueForm::kVariant:
            value = Variant(std::string(text));
            return true;
        case TValueForm::kBool: {
            bool b;
            if (!ParseBoolText(text, b)) return false;
            value = Variant(b);
            return true;
        }
        case TValueForm::kInteger:
            if (!ParseIntegerText(text, INT32_MIN, INT32_MAX, integer)) return false;
            break;
        case TValueForm::kColor:
            if (!ParseIntegerText(text, INT32_MIN, UINT32_MAX, integer)) return false;
            break;
        case TValueForm::kEnum:
            integer = FindListEntry(list, text);
            if (integer < 0) return false;
            break;
        case TValueForm::kFloat: {
            double d;
            if (!ParseFloatText(text, d)) return false;
            value = Variant(d);
            return true;
        }
    }
    value = Variant(integer);
    return true;
}

bool FormatValueText(TValueForm form, std::string_view list, const Variant& value,
                     std::string& text) {
    switch (form) {
        case TValueForm::kString:
        case TValueForm::kVariant:
            text = value.ToString();
            return true;
        case TValueForm::kBool:
            text = value.ToBool() ? "yes" : "no";
            return true;
        case TValueForm::kInteger:
            // As WriteInteger: a 32-bit value, so an unsigned field's high values
            // come back through the reader as the same bits.
            text = std::to_string(static_cast<int32_t>(value.ToInt64()));
            return true;
        case TValueForm::kColor:
            text = ColorText(static_cast<uint32_t>(value.ToInt64()));
            return true;
        case TValueForm::kFloat:
            if (const float* f = value.Get<float>()) {
                text = FloatToText(*f, 7);
            } else {
                text = FloatText(value.ToDouble());
            }
            return true;
        case TValueForm::kEnum: {
            const int64_t index = value.ToInt64();
            return index >= 0 && index <= INT32_MAX &&
                   ListEntryAt(list, static_cast<int32_t>(index), text);
        }
    }
    return false;
}

std::string DescribeValueForm(TValueForm form, std::string_view list) {
    switch (form) {
        case TValueForm::kBool:
            return "\"yes\" or \"no\"";
        case TValueForm::kInteger:
            return "an integer";
        case TValueForm::kFloat:
            return "a number";
        case TValueForm::kColor:
            return "a colour";
        case TValueForm::kEnum:
            return "one of \"" + std::string(list) + "\"";
        case TValueForm::kString:
        case TValueForm::kVariant:
            break;
    }
    return "a text";
}

void LogUnconvertedText(const Ref<IHierStorage>& storage, std::string_view key,
                        std::string_view property, std::string_view text, TValueForm form,
                        std::string_view list) {
    std::string line = storage ? storage->GetPath() : std::string("(no storage)");
    line.append(": \"").append(key).append("\"");
    if (!property.empty() && property != key)
        line.append(" (property \"").append(property) += "\")";
    line.append(" = \"").append(text).append("\" is not ");
    line.append(DescribeValueForm(form, list)).append("; the default stays");
    Log("PERSIST", line);
}

bool WritesAllValues() {
    return g_writeAllValues;
}

TWriteAllScope::TWriteAllScope(bool writeAll) : previous_(g_writeAllValues) {
    g_writeAllValues = writeAll;
}

TWriteAllScope::~TWriteAllScope() {
    g_writeAllValues = previous_;
}
