// xmlassemble: builds one data file out of several, so that the game
// definition, the language and the resource lists can be kept in parts.
//
//   xmlassemble SOURCE OUTPUT DEPFILE [GENERATED_DIR]
//
// Every "<?include PATH?>" in SOURCE is replaced by the contents of PATH,
// read relative to the including file's folder, or, when PATH starts with
// "@generated/", relative to GENERATED_DIR (files the data build makes, such
// as the level catalogue). Parts may include parts. A part's own
// "<?xml ...?>" declaration is dropped, so a part may carry one. DEPFILE
// lists every file read, for the build to remake OUTPUT when one changes.
// A missing part or an include cycle is an error (message on standard error,
// exit status 1; 2 for bad usage); OUTPUT is written beside its place and
// renamed, so no half file is left.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kGeneratedPrefix = "@generated/";

struct TAssembly {
    fs::path generated;
    std::vector<fs::path> read;  // every file read, for the depfile
    std::vector<fs::path> open;  // the chain of includes being expanded
    std::string problem;
};

bool ReadFile(const fs::path& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    bytes = text.str();
    return !in.bad();
}

std::size_t LineOf(const std::string& text, std::size_t offset) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') ++line;
    }
    return line;
}

bool Expand(TAssembly& assembly, const fs::path& path, bool isPart, std::string& out);

bool ExpandText(TAssembly& assembly, const fs::path& path, const std::string& text,
                std::string& out) {
    static const std::regex include(R"(<\?include\s+([^?\s]+)\s*\?>)");
    std::size_t copied = 0;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), include);
         it != std::sregex_iterator(); ++it) {
        const std::smatch& match = *it;
        const std::size_t at = static_cast<std::size_t>(match.position(0));
        out.append(text, copied, at - copied);
        copied = at + static_cast<std::size_t>(match.length(0));

        const std::string name = match[1].str();
        fs::path part;
        if (name.rfind(kGeneratedPrefix, 0) == 0) {
            if (assembly.generated.empty()) {
                assembly.problem = path.string() + ":" + std::to_string(LineOf(text, at)) +
                                   ": \"" + name + "\" names the generated folder, but none was given";
                return false;
            }
            part = assembly.generated / name.substr(kGeneratedPrefix.size());
        } else {
            part = path.parent_path() / name;
        }
        std::string expanded;
        if (!Expand(assembly, part.lexically_normal(), true, expanded)) {
            if (assembly.problem.empty()) {
                assembly.problem = path.string() + ":" + std::to_string(LineOf(text, at)) +
                                   ": cannot read \"" + part.string() + "\"";
            }
            return false;
        }
        out += expanded;
    }
    out.append(text, copied, std::string::npos);
    return true;
}

bool Expand(TAssembly& assembly, const fs::path& path, bool isPart, std::string& out) {
    for (const fs::path& open : assembly.open) {
        if (open == path) {
            assembly.problem = path.string() + " includes itself through its parts";
            return false;
        }
    }
    std::string text;
    if (!ReadFile(path, text)) return false;
    assembly.read.push_back(path);
    if (isPart) {
        static const std::regex declaration(R"(^\s*<\?xml[^?]*\?>[ \t]*\r?\n?)");
        text = std::regex_replace(text, declaration, "", std::regex_constants::format_first_only);
        // The part's last line break stays with the include's own line.
        if (!text.empty() && text.back() == '\n') text.pop_back();
        if (!text.empty() && text.back() == '\r') text.pop_back();
    }
    assembly.open.push_back(path);
    const bool expanded = ExpandText(assembly, path, text, out);
    assembly.open.pop_back();
    return expanded;
}

std::string DepfileEscaped(const std::string& path) {
    std::string escaped;
    for (const char c : path) {
        if (c == ' ' || c == '#' || c == '\\') escaped += '\\';
        if (c == '$') escaped += '$';
        escaped += c;
    }
    return escaped;
}

bool WriteWhole(const fs::path& path, const std::string& bytes) {
    const fs::path temporary = path.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << bytes;
        if (!out.flush()) return false;
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    return !error;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: xmlassemble SOURCE OUTPUT DEPFILE [GENERATED_DIR]\n");
        return 2;
    }
    TAssembly assembly;
    if (argc == 5) assembly.generated = fs::absolute(argv[4]);
    const fs::path source = fs::absolute(argv[1]).lexically_normal();
    const fs::path output = fs::absolute(argv[2]);

    std::string text;
    if (!Expand(assembly, source, false, text)) {
        if (assembly.problem.empty()) assembly.problem = "cannot read \"" + source.string() + "\"";
        std::fprintf(stderr, "xmlassemble: %s\n", assembly.problem.c_str());
        return 1;
    }
    std::string depfile = DepfileEscaped(output.string()) + ":";
    for (const fs::path& read : assembly.read) depfile += " " + DepfileEscaped(read.string());
    depfile += "\n";
    if (!WriteWhole(output, text) || !WriteWhole(argv[3], depfile)) {
        std::fprintf(stderr, "xmlassemble: cannot write \"%s\"\n", output.string().c_str());
        return 1;
    }
    return 0;
}
