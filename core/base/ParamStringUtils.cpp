#include "core/base/ParamStringUtils.h"

#include <utility>

#include "core/base/AsciiText.h"

namespace {

constexpr size_t npos = std::string_view::npos;

std::string_view StripBracesView(std::string_view s) {
    if (s.size() >= 2 && s.front() == '{' && s.back() == '}') return s.substr(1, s.size() - 2);
    return s;
}

// The matching "}" of every "{" of a text, as FindClosingBrace finds it,
// worked out in one pass the first time one is asked for. Braces are asked
// for in increasing order, so a text with many unclosed groups is still
// scanned once rather than once per group.
class TBraceMatcher {
public:
    explicit TBraceMatcher(std::string_view text) : text_(text) {}

    // The match of the "{" at index open; npos when it is never closed.
    size_t Match(size_t open) {
        if (!built_) Build();
        while (next_ < opens_.size() && opens_[next_] < open) ++next_;
        return next_ < opens_.size() && opens_[next_] == open ? closes_[next_] : npos;
    }

private:
    void Build() {
        built_ = true;
        std::vector<size_t> pending;  // indexes into opens_ of groups still open
        for (size_t i = 0; i < text_.size(); ++i) {
            if (text_[i] == '{') {
                pending.push_back(opens_.size());
                opens_.push_back(i);
                closes_.push_back(npos);
            } else if (text_[i] == '}' && !pending.empty()) {
                closes_[pending.back()] = i;
                pending.pop_back();
            }
        }
    }

    std::string_view text_;
    bool built_ = false;
    std::vector<size_t> opens_, closes_;
    size_t next_ = 0;
};

// Calls fn(piece) for every non-empty piece of text cut at sep, by the rules
// of Split. fn answers false to stop early. The position of the next "{" is
// cached so that a long list without braces is still scanned once.
template <class Fn>
void ForEachPiece(std::string_view text, char sep, Fn&& fn) {
    const std::string_view s = TrimRight(TrimLeft(text));
    TBraceMatcher braces(s);
    size_t pos = 0;
    size_t brace = s.find('{');
    while (pos <= s.size()) {
        if (brace != npos && brace < pos) brace = s.find('{', pos);
        size_t p = s.find(sep, pos);
        if (brace != npos && p != npos && brace < p) {
            const size_t close = braces.Match(brace);
            if (close != npos) p = s.find(sep, close + 1);
        }
        const size_t end = (p == npos) ? s.size() : p;
        if (end > pos && !fn(s.substr(pos, end - pos))) return;
        if (p == npos) return;
        pos = p + 1;
    }
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The row of one piece, or false when the piece holds no nameSep.
bool ParsePair(std::string_view piece, char nameSep, std::string_view& name,
               std::string_view& value) {
    const size_t e = piece.find(nameSep);
    if (e == npos) return false;
    name = TrimRight(piece.substr(0, e));
    value = StripBracesView(TrimLeft(piece.substr(e + 1)));
    return true;
}

}  // namespace

size_t FindClosingBrace(std::string_view text, size_t start) {
    std::ptrdiff_t depth = 0;
    for (size_t i = start; i < text.size(); ++i) {
        if (text[i] == '{') {
            ++depth;
        } else if (text[i] == '}') {
            --depth;
        }
        if (depth == 0) return i;
    }
    return npos;
}

int Split(std::string_view text, TOneArrayOfString& list, char sep) {
    TOneArrayOfString pieces;
    ForEachPiece(text, sep, [&](std::string_view piece) {
        pieces.emplace_back(piece);
        return true;
    });
    const int count = static_cast<int>(pieces.size());
    if (count > 0) list = std::move(pieces);
    return count;
}

int SplitParams(std::string_view text, TTwoArrayOfString& pairs, char itemSep, char nameSep) {
    TTwoArrayOfString rows;
    ForEachPiece(text, itemSep, [&](std::string_view piece) {
        std::string_view name, value;
        if (ParsePair(piece, nameSep, name, value)) {
            rows.push_back({std::string(name), std::string(value)});
        }
        return true;
    });
    pairs = std::move(rows);
    return static_cast<int>(pairs.size());
}

bool FindParamValue(const TTwoArrayOfString& pairs, std::string_view name, std::string& value) {
    for (const auto& row : pairs) {
        if (EqualIgnoringAsciiCase(row[0], name)) {
            value = row[1];
            return true;
        }
    }
    return false;
}

bool GetParam(std::string_view text, std::string_view name, char itemSep, char nameSep,
              std::string& value) {
    // Same answer as SplitParams + FindParamValue, without building every row.
    bool found = false;
    std::string result;
    ForEachPiece(text, itemSep, [&](std::string_view piece) {
        std::string_view pieceName, pieceValue;
        if (ParsePair(piece, nameSep, pieceName, pieceValue) &&
            EqualIgnoringAsciiCase(pieceName, name)) {
            result.assign(pieceValue);
            found = true;
            return false;
        }
        return true;
    });
    value = std::move(result);
    return found;
}

std::string StripBraces(std::string_view text) {
    return std::string(StripBracesView(text));
}

bool IsEmptyList(std::string& text, char sep) {
    bool any = false;
    ForEachPiece(text, sep, [&](std::string_view) {
        any = true;
        return false;
    });
    if (!any) text.clear();
    return !any;
}

int CountCharsInSet(const TCharSet& set, std::string_view text) {
    int count = 0;
    for (char c : text) {
        if (set.test(static_cast<unsigned char>(c))) ++count;
    }
    return count;
}

std::string StringToHex(std::string_view text) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex(text.size() * 2, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        hex[2 * i] = kDigits[b >> 4];
        hex[2 * i + 1] = kDigits[b & 0x0F];
    }
    return hex;
}

std::string HexToString(std::string_view text) {
    std::string bytes(text.size() / 2, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        const int hi = HexDigitValue(text[2 * i]);
        const int lo = HexDigitValue(text[2 * i + 1]);
        if (hi < 0 || lo < 0) break;
        bytes[i] = static_cast<char>((hi << 4) | lo);
    }
    return bytes;
}

void InsertInteger(TIntegers& array, int32_t value, int index) {
    if (index < 0) {
        array.push_back(value);
    } else if (static_cast<size_t>(index) < array.size()) {
        array.insert(array.begin() + index, value);
    }
}

void DeleteInteger(TIntegers& array, int index) {
    if (index < 0) {
        if (!array.empty()) array.pop_back();
    } else if (static_cast<size_t>(index) < array.size()) {
        array.erase(array.begin() + index);
    }
}
