#include "nonogram/solver/LevelPicture.h"

#include <cctype>
#include <cstdio>
#include <exception>
#include <unordered_map>
#include <utility>

#include "core/base/AsciiText.h"
#include "core/base/Log.h"
#include "core/base/ParamStringUtils.h"
#include "core/storage/XMLStorage.h"

namespace {

constexpr std::string_view kLevelDefType = "QuillmarchLevelDef";

// The value of name among the pairs of a parameter string; as when the game
// loads the level, the last pair of a name counts.
bool FindExtraParam(const std::string& text, std::string_view name, std::string& value) {
    TTwoArrayOfString pairs;
    SplitParams(text, pairs, '\\', '=');
    bool found = false;
    for (const auto& pair : pairs) {
        if (EqualIgnoringAsciiCase(pair[0], name)) {
            value = pair[1];
            found = true;
        }
    }
    return found;
}

bool ReadSide(const std::string& extraParams, const char* name, int32_t& side, std::string& error) {
    std::string text;
    if (!FindExtraParam(extraParams, name, text)) {
        error = std::string("\"extraparams\" has no \"") + name + "\"";
        return false;
    }
    const std::string_view digits = Trim(text);
    int32_t value = 0;
    bool valid = !digits.empty() && digits.size() <= 9;
    for (char c : digits) {
        valid = valid && std::isdigit(static_cast<unsigned char>(c));
        if (valid) value = value * 10 + (c - '0');
    }
    if (!valid || value < 1 || value > kMaxLevelSide) {
        error = std::string("\"") + name + "\" is \"" + text + "\", not a whole number from 1 to " +
                std::to_string(kMaxLevelSide);
        return false;
    }
    side = value;
    return true;
}

// A character of a message: itself when printable, else its code.
std::string Shown(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) return std::string(1, c);
    char code[8];
    std::snprintf(code, sizeof code, "\\x%02X", byte);
    return code;
}

}  // namespace

bool ReadLevelPicture(const Ref<IHierStorage>& root, TNonogramPicture& picture,
                      std::string& error) {
    const std::string type = root->GetValue("type", "").ToString();
    if (!type.empty() && !EqualIgnoringAsciiCase(type, kLevelDefType)) {
        error = "its type is \"" + type + "\", not \"" + std::string(kLevelDefType) + "\"";
        return false;
    }
    const std::string extraParams = root->GetValue("extraparams", "").ToString();
    TNonogramPicture read;
    if (!ReadSide(extraParams, "rows", read.rows, error) ||
        !ReadSide(extraParams, "cols", read.cols, error)) {
        return false;
    }
    Ref<IHierStorage> rows = root->GetChild("rows", 0);
    if (!rows) {
        error = "it has no \"rows\" element";
        return false;
    }
    if (const int32_t count = rows->GetChildCount("row"); count != read.rows) {
        error = "it has " + std::to_string(count) + " \"row\" elements for " +
                std::to_string(read.rows) + " rows";
        return false;
    }

    read.filled.assign(static_cast<size_t>(read.rows) * read.cols, 0);
    // Row names, upper-cased, with their row numbers: the game finds rows by name.
    std::unordered_map<std::string, int32_t> names;
    for (int32_t r = 0; r < read.rows; ++r) {
        Ref<IHierStorage> row = rows->GetChild("row", r);
        const std::string which = "row " + std::to_string(r + 1);
        const std::string name = row ? row->GetValue("name", "").ToString() : std::string();
        if (name.empty()) {
            error = which + " has no name";
            return false;
        }
        if (auto [earlier, fresh] = names.emplace(UpperAsciiString(name), r + 1); !fresh) {
            error =
                which + " has the name \"" + name + "\" of row " + std::to_string(earlier->second);
            return false;
        }
        const std::string cells = row->GetValue("cells", "").ToString();
        for (size_t c = 0; c < cells.size(); ++c) {
            if (!std::isxdigit(static_cast<unsigned char>(cells[c]))) {
                error = which + " (\"" + name + "\") has \"" + Shown(cells[c]) + "\" at cell " +
                        std::to_string(c + 1) + ", not a hexadecimal digit";
                return false;
            }
        }
        if (cells.size() != static_cast<size_t>(read.cols)) {
            error = which + " (\"" + name + "\") has " + std::to_string(cells.size()) +
                    " cells for " + std::to_string(read.cols) + " columns";
            return false;
        }
        for (int32_t c = 0; c < read.cols; ++c) {
            read.filled[r * read.cols + c] = cells[c] != '0' ? 1 : 0;
        }
    }
    picture = std::move(read);
    return true;
}

bool LoadLevelPicture(const std::string& path, TNonogramPicture& picture, std::string& error) {
    error.clear();
    Ref<IHierStorage> root;
    try {
        root = LoadStorageFromFile(path);
        if (!root) error = "the file cannot be opened";
    } catch (const std::exception& e) {
        error = std::string("the file does not load: ") + e.what();
    }
    if (root && ReadLevelPicture(root, picture, error)) return true;
    Log("LEVEL", "\"" + path + "\" is no usable level: " + error);
    return false;
}
