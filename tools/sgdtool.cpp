// sgdtool: authors the game's data with the engine's own library code.
//
//   sgdtool encipher KEY      standard input to HexCipherText on standard output
//   sgdtool decipher KEY      HexCipherText on standard input to the plain text
//   sgdtool pack DIR OUT.sgd  every file under DIR into a ZIP pack
//   sgdtool list PACK.sgd     the entries of a pack, each checked by reading it
//   sgdtool xml2bin           XML text on standard input to the binary XML form
//   sgdtool bin2xml           the binary XML form on standard input to XML text
//   sgdtool check-level FILE...  whether each level file's picture can be
//                             solved line by line from its clues
//   sgdtool check-data DIR    whether every reference of the built data folder
//                             DIR's game definition resolves
//
// Any bad input or usage gives a message on standard error and a non-zero
// exit: 1 for bad input or a failed read or write, 2 for bad usage. A wrong
// key cannot be told from the right one: it deciphers to other bytes.
//
// pack refuses a folder holding links that lead out of DIR, to folders or to
// nothing, or anything else that is no regular file (a pack without them
// would lack files the game sees in the folder), a folder without files,
// files of 4 GB or more, an output that is one of the files to pack, and an
// output that exists and is no regular file (a folder, a device, a link). list
// refuses entries of equal names (letter case ignored) and entries whose
// stored bytes overlap, and prints control characters in names as escapes.
// check-level prints one line per file (line-solvable; not unique, when
// another picture shows the same clues; unique but beyond line logic; or
// cannot be read, with the reason; the number of cells no line decides with
// the two middle ones), counts the unsolvable and the unreadable apart, and
// exits with 1 unless every level is line-solvable. check-data
// runs the program sgdtool-check-data of sgdtool's own folder, which links the
// whole game (tools/check/): it prints one line per missing or broken thing,
// with where it is referenced, and exits with 1 when there is any; a missing
// program is reported, with exit 1.
#include <minizip/zip.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/base/AsciiText.h"
#include "core/base/Exception.h"
#include "core/base/Log.h"
#include "core/base/PlatformShims.h"
#include "core/base/Units.h"
#include "core/base/Utf8.h"
#include "core/packs/Cipher.h"
#include "core/packs/PackableFiles.h"
#include "core/packs/ResourceReader.h"
#include "core/storage/XMLStorage.h"
#include "nonogram/solver/LevelPicture.h"
#include "nonogram/solver/NonogramSolver.h"
#include "nonogram/solver/OtherPicture.h"

namespace fs = std::filesystem;

namespace {

// Bad input or a failed read or write; main prints it and exits with 1.
class EToolError : public Exception {
public:
    using Exception::Exception;
};

std::string ReadStandardInput() {
    std::string text;
    char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) text.append(chunk, n);
    if (std::ferror(stdin)) throw EToolError("cannot read standard input");
    return text;
}

void WriteStandardOutput(const std::string& bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() ||
        std::fflush(stdout) != 0) {
        throw EToolError("cannot write standard output");
    }
}

// A line the library logs, as the tool's own message: the library's
// module names mean nothing to the tool's user.
void ToolLog(std::string_view message) {
    std::string line(message);
    for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    std::fprintf(stderr, "sgdtool: %s\n", line.c_str());
}

// ---------------------------------------------------------------------------
// encipher, decipher

int Encipher(const std::vector<std::string>& args) {
    WriteStandardOutput(
        TCipher_Xtea(args[0]).CodeString(ReadStandardInput(), paEncode, kFormatHex));
    return 0;
}

// The engine's decoder skips whatever is not a digit; the tool is stricter,
// so that a file that is not HexCipherText is reported instead of turned into
// other bytes.
void CheckHexText(const std::string& text) {
    size_t digits = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (std::isxdigit(static_cast<unsigned char>(c))) {
            ++digits;
        } else if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
            throw EToolError("standard input is not hexadecimal text (byte " + std::to_string(i) +
                             ")");
        }
    }
    if (digits % 2 != 0) throw EToolError("standard input holds an odd number of hex digits");
}

int Decipher(const std::vector<std::string>& args) {
    std::string text = ReadStandardInput();
    CheckHexText(text);
    WriteStandardOutput(TCipher_Xtea(args[0]).CodeString(text, paDecode, kFormatHex));
    return 0;
}

// ---------------------------------------------------------------------------
// pack

// Files of this size and more would need ZIP64, which the engine does not read.
constexpr uint64_t kMaxPackedFileSize = 0xFFFFFFFFu;

bool SameFile(const fs::path& a, const fs::path& b) {
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// A name as printed: control characters as \xNN and a backslash doubled,
// so that a name cannot move the cursor, clear the screen or pass for another.
std::string Printable(const std::string& name) {
    std::string text;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            text += escape;
        } else if (c == '\\') {
            text += "\\\\";
        } else {
            text += c;
        }
    }
    return text;
}

// The files under folder by entry name ("/" between folders), in byte order,
// without the earlier pack at out (which is replaced). Links to folders are
// not entered, so no loop is possible. A folder holding anything a pack
// cannot hold as the game reads it in the folder (core/packs/PackableFiles.h)
// is refused, all such entries named, rather than packed without them; so are
// a file too large for a pack, names the engine could not read, the output
// being one of the files, and a folder without files.
std::map<std::string, fs::path> CollectFiles(const fs::path& folder, const fs::path& out,
                                             const std::string& temp) {
    std::map<std::string, fs::path> files;
    std::map<std::string, std::string> byUpperName;
    std::vector<std::string> unpackable;
    std::error_code error;
    const fs::path canonicalFolder = fs::canonical(folder, error);
    if (error)
        throw EToolError("cannot read folder \"" + folder.string() + "\": " + error.message());
    fs::recursive_directory_iterator it(folder, error), end;
    for (; !error && it != end; it.increment(error)) {
        std::string name = it->path().lexically_relative(folder).generic_string();
        if (const std::string reason = UnpackableReason(*it, canonicalFolder); !reason.empty()) {
            unpackable.push_back("\"" + Printable(name) + "\" is " + reason);
            continue;
        }
        std::error_code ignored;
        if (!it->is_regular_file(ignored) || SameFile(it->path(), temp)) continue;
        if (SameFile(it->path(), out)) {
            // An earlier pack at the output is replaced; any other file there
            // is data that the pack would overwrite.
            if (TResourceReader(out.string()).GetKind() == TResourceReader::kArchive) continue;
            throw EToolError("the output \"" + out.string() + "\" is one of the files to pack");
        }
        if (name.find('\\') != std::string::npos) {
            throw EToolError("\"" + Printable(name) +
                             "\": a name with \"\\\" cannot be read from a pack");
        }
        // The engine reads entries into memory with 32-bit sizes.
        if (it->file_size(ignored) >= kMaxPackedFileSize) {
            throw EToolError("\"" + Printable(name) + "\" is too large for a pack (4 GB or more)");
        }
        // The engine matches entry names ignoring case: the second of two
        // such names could never be read.
        auto [other, fresh] = byUpperName.emplace(UpperAsciiString(name), name);
        if (!fresh) {
            throw EToolError("\"" + Printable(other->second) + "\" and \"" + Printable(name) +
                             "\" differ only in letter case");
        }
        files.emplace(name, it->path());
    }
    if (error)
        throw EToolError("cannot read folder \"" + folder.string() + "\": " + error.message());
    if (!unpackable.empty()) {
        std::string list;
        for (const std::string& entry : unpackable) list += (list.empty() ? "" : "; ") + entry;
        throw EToolError(list + ": a pack cannot hold " + (unpackable.size() == 1 ? "it" : "them") +
                         ", and one without would lack what the folder shows");
    }
    if (files.empty())
        throw EToolError("folder \"" + folder.string() + "\" holds no files to pack");
    return files;
}

void AddFile(zipFile zip, const std::string& name, const fs::path& file) {
    FILE* in = std::fopen(file.c_str(), "rb");
    if (in == nullptr) {
        throw EToolError("cannot read \"" + file.string() + "\": " + std::strerror(errno));
    }
    std::unique_ptr<FILE, int (*)(FILE*)> closer(in, std::fclose);
    struct stat st {};
    ::fstat(fileno(in), &st);
    zip_fileinfo info{};
    std::tm local{};
    time_t mtime = st.st_mtime;
    if (localtime_r(&mtime, &local) != nullptr) {
        info.tmz_date = {static_cast<uInt>(local.tm_sec),  static_cast<uInt>(local.tm_min),
                         static_cast<uInt>(local.tm_hour), static_cast<uInt>(local.tm_mday),
                         static_cast<uInt>(local.tm_mon),  static_cast<uInt>(local.tm_year + 1900)};
    }
    if (static_cast<uint64_t>(st.st_size) >= kMaxPackedFileSize) {
        throw EToolError("\"" + name + "\" is too large for a pack (4 GB or more)");
    }
    if (zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                              Z_DEFAULT_COMPRESSION, 0) != ZIP_OK) {
        throw EToolError("cannot add \"" + name + "\" to the pack");
    }
    std::vector<char> chunk(1 << 16);
    size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), in)) > 0) {
        if (zipWriteInFileInZip(zip, chunk.data(), static_cast<unsigned>(n)) != ZIP_OK) {
            throw EToolError("cannot write \"" + name + "\" to the pack");
        }
    }
    if (std::ferror(in)) throw EToolError("cannot read \"" + file.string() + "\"");
    if (zipCloseFileInZip(zip) != ZIP_OK)
        throw EToolError("cannot write \"" + name + "\" to the pack");
}

// Written to a temporary file beside the pack and renamed over it at the end,
// so that a failure leaves no half pack and nothing outside that folder.
int Pack(const std::vector<std::string>& args) {
    const fs::path folder = args[0], out = args[1];
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        throw EToolError("\"" + folder.string() + "\" is not a folder");
    }
    // The pack is renamed over the output at the end: whatever is there goes.
    // Only an earlier file may be replaced, never a folder, a device or a
    // link (which would be replaced, not followed).
    const fs::file_status existing = fs::symlink_status(out, error);
    if (fs::exists(existing) && !fs::is_regular_file(existing)) {
        const char* what = fs::is_directory(existing)   ? "a folder"
                           : fs::is_symlink(existing)   ? "a link"
                           : fs::is_fifo(existing)      ? "a named pipe"
                           : fs::is_socket(existing)    ? "a socket"
                           : fs::is_block_file(existing) || fs::is_character_file(existing)
                               ? "a device"
                               : "not a regular file";
        throw EToolError("the output \"" + Printable(out.string()) + "\" is " + what +
                         ", not a file a pack may replace");
    }
    fs::path outFolder = out.parent_path().empty() ? fs::path(".") : out.parent_path();
    if (!fs::is_directory(outFolder, error)) {
        throw EToolError("folder \"" + outFolder.string() + "\" does not exist");
    }
    std::string temp = (outFolder / (out.filename().string() + ".XXXXXX")).string();
    int fd = ::mkstemp(temp.data());
    if (fd < 0) throw EToolError("cannot create a file in \"" + outFolder.string() + "\"");
    ::close(fd);
    try {
        auto files = CollectFiles(folder, out, temp);
        zipFile zip = zipOpen64(temp.c_str(), APPEND_STATUS_CREATE);
        if (zip == nullptr) throw EToolError("cannot create \"" + out.string() + "\"");
        try {
            for (const auto& [name, file] : files) AddFile(zip, name, file);
        } catch (...) {
            zipClose(zip, nullptr);
            throw;
        }
        if (zipClose(zip, nullptr) != ZIP_OK)
            throw EToolError("cannot write \"" + out.string() + "\"");
        mode_t mask = ::umask(0);  // mkstemp made it private; give it the usual mode
        ::umask(mask);
        ::chmod(temp.c_str(), 0666 & ~mask);
        fs::rename(temp, out, error);
        if (error) throw EToolError("cannot write \"" + out.string() + "\": " + error.message());
    } catch (...) {
        fs::remove(temp, error);
        throw;
    }
    return 0;
}

// ---------------------------------------------------------------------------
// list

const char* MethodName(uint32_t method) {
    switch (method) {
        case 0:
            return "stored";
        case 8:
            return "deflated";
        default:
            return "unknown";
    }
}

// The names of entries whose stored bytes overlap those of another entry: a
// few such entries over one large compressed stream would each inflate it
// again.
std::set<std::string> OverlappingEntries(const std::vector<TPackEntry>& entries) {
    std::vector<const TPackEntry*> stored;
    for (const auto& e : entries) {
        if (e.dataOffset != TPackEntry::kNoDataOffset && e.packedSize > 0) stored.push_back(&e);
    }
    std::sort(stored.begin(), stored.end(), [](const TPackEntry* a, const TPackEntry* b) {
        return a->dataOffset < b->dataOffset;
    });
    std::set<std::string> overlapping;
    const TPackEntry* reach = nullptr;  // the entry whose bytes end furthest so far
    for (const TPackEntry* e : stored) {
        if (reach != nullptr && e->dataOffset < reach->dataOffset + reach->packedSize) {
            overlapping.insert(reach->name);
            overlapping.insert(e->name);
        }
        if (reach == nullptr ||
            e->dataOffset + e->packedSize > reach->dataOffset + reach->packedSize) {
            reach = e;
        }
    }
    return overlapping;
}

std::string QuotedNames(const std::vector<std::string>& names) {
    std::string text;
    for (const auto& n : names) text += (text.empty() ? "\"" : ", \"") + Printable(n) + "\"";
    return text;
}

int List(const std::vector<std::string>& args) {
    const std::string& path = args[0];
    TResourceReader reader(path);
    if (reader.GetKind() == TResourceReader::kFolder) {
        throw EToolError("\"" + path + "\" is a folder, not a pack");
    }
    if (reader.GetKind() != TResourceReader::kArchive) {
        throw EToolError("\"" + path + "\" is not a readable pack");
    }
    std::vector<TPackEntry> entries;
    bool whole = reader.ListEntries(entries);

    // The engine finds an entry by its name ignoring case: of equal names
    // only the first can be read.
    std::map<std::string, std::string> byUpperName;
    std::vector<std::string> duplicates;
    for (const auto& e : entries) {
        auto [first, fresh] = byUpperName.emplace(UpperAsciiString(e.name), e.name);
        if (!fresh) duplicates.push_back(e.name);
    }
    const std::set<std::string> overlapping = OverlappingEntries(entries);

    std::string listing;
    std::vector<std::string> unreadable;
    for (const auto& e : entries) {
        char line[64];
        std::snprintf(line, sizeof line, "%12llu %-8s ", static_cast<unsigned long long>(e.size),
                      MethodName(e.method));
        listing += line + Printable(e.name) + "\n";
        // Read the way the game reads it, CRC checked.
        if (overlapping.count(e.name) == 0 && !reader.OpenFile(e.name)) {
            unreadable.push_back(e.name);
        }
    }
    WriteStandardOutput(listing);
    std::vector<std::string> problems;
    if (!whole) problems.push_back("the directory of \"" + path + "\" is damaged");
    if (!duplicates.empty()) {
        problems.push_back("\"" + path + "\" holds more than one entry named " +
                           QuotedNames(duplicates) + " (letter case ignored)");
    }
    if (!overlapping.empty()) {
        problems.push_back("the stored bytes of " +
                           QuotedNames({overlapping.begin(), overlapping.end()}) +
                           " overlap in \"" + path + "\"");
    }
    if (!unreadable.empty()) {
        problems.push_back("cannot read " + QuotedNames(unreadable) + " from \"" + path + "\"");
    }
    if (!problems.empty()) {
        std::string message;
        for (const auto& p : problems) message += (message.empty() ? "" : "; ") + p;
        throw EToolError(message);
    }
    return 0;
}

// ---------------------------------------------------------------------------
// xml2bin, bin2xml

int XmlToBinary(const std::vector<std::string>&) {
    std::string text = ReadStandardInput();
    if (XmlIsInBinaryFormat(text)) throw EToolError("the input is in the binary form already");
    // Read as the game reads a storage document: UTF-8 unless declared otherwise.
    Ref<IXmlDocument> document = ParseXmlText(text);
    // The game refuses a document without an element.
    if (!document->DocumentElement()) throw EToolError("the input holds no XML element");
    // Eight-bit names and text are smaller; text beyond them needs the wide form.
    WideString xml = document->GetXML();
    bool wide = std::any_of(xml.begin(), xml.end(), [](char16_t unit) { return unit > 0xFF; });
    TMemoryStream binary;
    document->SaveBinary(binary, wide ? 1 : 0);
    const auto& bytes = binary.Bytes();
    WriteStandardOutput(std::string(bytes.begin(), bytes.end()));
    return 0;
}

int BinaryToXml(const std::vector<std::string>&) {
    std::string data = ReadStandardInput();
    if (!XmlIsInBinaryFormat(data)) throw EToolError("the input is not in the binary XML form");
    Ref<IXmlDocument> document = LoadXmlDocumentFromBinaryXML(data);
    WriteStandardOutput(WideToUTF8(document->GetXML()));
    return 0;
}

// ---------------------------------------------------------------------------
// check-level

// A level a player cannot finish by reasoning fails the check, and its line
// says why: its clues admit another picture (the picture must change), or
// they admit only it and line logic stops short (a small change may do).
// A file that is no level, or cannot be read, is counted apart.
int CheckLevels(const std::vector<std::string>& files) {
    // The reason a level is refused is on its line of output already; the
    // other log lines (a parse error's place, say) still go to standard error.
    TLogSink previous = SetLogSink([](std::string_view module, std::string_view message) {
        if (module != "LEVEL") ToolLog(message);
    });
    struct TRestore {
        TLogSink& sink;
        ~TRestore() { SetLogSink(std::move(sink)); }
    } restore{previous};
    TNonogramSolver solver;
    TNonogramPicture picture;
    size_t unsolvable = 0, unreadable = 0;
    for (const std::string& file : files) {
        std::string result, error;
        if (!LoadLevelPicture(file, picture, error)) {
            result = "cannot be read: " + Printable(error);
            ++unreadable;
        } else {
            const TSolveVerdict verdict = solver.Check(picture);
            result = VerdictName(verdict);
            if (verdict == TSolveVerdict::kNeedsGuessing) {
                const std::string unknown =
                    std::to_string(solver.UnknownCells()) + " unknown cells";
                switch (FindOtherPicture(picture)) {
                    case TOtherPicture::kFound:
                        result = "not unique: another picture shows the same clues (line logic "
                                 "leaves " + unknown + ")";
                        break;
                    case TOtherPicture::kNone:
                        result = "unique, but line logic cannot reach it: needs guesses (" +
                                 unknown + ")";
                        break;
                    case TOtherPicture::kUndecided:
                        result = "needs guesses (" + unknown +
                                 "); whether another picture shows the same clues is undecided";
                        break;
                }
            }
            if (verdict != TSolveVerdict::kLineSolvable) ++unsolvable;
        }
        WriteStandardOutput(Printable(file) + ": " + result + "\n");
    }
    if (unsolvable + unreadable > 0) {
        std::string summary;
        const std::string of = " of " + std::to_string(files.size()) + " levels ";
        if (unsolvable > 0) summary = std::to_string(unsolvable) + of + "are not line-solvable";
        if (unreadable > 0) {
            summary += (summary.empty() ? std::to_string(unreadable) + of
                                        : ", " + std::to_string(unreadable) + " ") +
                       "cannot be read";
        }
        throw EToolError(summary);
    }
    return 0;
}

// ---------------------------------------------------------------------------
// check-data

// The check reads the definition as the game does, with every library of the
// game, so it lives in a program of its own beside this one; this one stays
// small for the data build and its tests, which run it many times.
constexpr const char* kCheckDataProgram = "sgdtool-check-data";

int CheckData(const std::vector<std::string>& args) {
    std::error_code failed;
    const fs::path self = fs::read_symlink("/proc/self/exe", failed);
    if (failed) throw EToolError("cannot find sgdtool's own folder: " + failed.message());
    const fs::path program = self.parent_path() / kCheckDataProgram;
    if (::access(program.c_str(), X_OK) != 0) {
        const std::string reason = std::strerror(errno);
        throw EToolError(std::string("check-data needs the program ") + kCheckDataProgram +
                         " beside sgdtool, and " + Printable(program.string()) +
                         " cannot be run (" + reason + ")");
    }
    std::vector<char*> argv;
    std::string path = program.string();
    argv.push_back(path.data());
    std::vector<std::string> copies(args);
    for (std::string& arg : copies) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::fflush(nullptr);
    ::execv(path.c_str(), argv.data());
    const std::string reason = std::strerror(errno);
    throw EToolError("cannot run " + Printable(path) + ": " + reason);
}

// ---------------------------------------------------------------------------

struct TCommand {
    const char* name;
    const char* arguments;
    size_t argumentCount;  // the least number, when repeated
    const char* summary;
    std::function<int(const std::vector<std::string>&)> run;
    bool repeated = false;  // the last argument may be given any number of times
};

// Each command is one entry: a name, its fixed arguments and a function.
const std::vector<TCommand>& Commands() {
    static const std::vector<TCommand> commands = {
        {"encipher", "KEY", 1, "standard input to HexCipherText under KEY", Encipher},
        {"decipher", "KEY", 1, "HexCipherText on standard input to plain text", Decipher},
        {"pack", "DIR OUT.sgd", 2, "every file under DIR into the pack OUT.sgd", Pack},
        {"list", "PACK.sgd", 1, "the entries of a pack, each checked", List},
        {"xml2bin", "", 0, "XML text on standard input to the binary XML form", XmlToBinary},
        {"bin2xml", "", 0, "the binary XML form on standard input to XML text", BinaryToXml},
        {"check-level", "FILE...", 1, "whether each level is solvable line by line", CheckLevels,
         true},
        {"check-data", "DIR", 1, "whether every reference of the built data resolves", CheckData},
    };
    return commands;
}

int Usage(const std::string& problem) {
    if (!problem.empty()) std::fprintf(stderr, "sgdtool: %s\n", problem.c_str());
    std::fprintf(stderr, "usage:\n");
    for (const auto& c : Commands()) {
        std::fprintf(stderr, "  sgdtool %-11s %-12s %s\n", c.name, c.arguments, c.summary);
    }
    return 2;
}

}  // namespace

// The parts of the core library the tool uses, in their order.
const TUnit kToolUnits[] = {kFpuExceptionMaskUnit, kResourceReaderUnit, kXMLStorageUnit};

int main(int argc, char** argv) {
    if (argc < 2) return Usage("no command given");
    const std::string name = argv[1];
    if (name == "-h" || name == "--help" || name == "help") {
        Usage("");
        return 0;
    }
    auto command = std::find_if(Commands().begin(), Commands().end(),
                                [&](const TCommand& c) { return name == c.name; });
    if (command == Commands().end()) return Usage("unknown command \"" + name + "\"");
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command->repeated ? args.size() < command->argumentCount
                          : args.size() != command->argumentCount) {
        return Usage(std::string("\"") + command->name + "\" takes " + command->arguments);
    }
    try {
        // The library starts as the game does, with the game's pack extension.
        SetLogSink([](std::string_view, std::string_view message) { ToolLog(message); });
        TUnitRunner units({kToolUnits});
        SetPackExtension(".sgd");
        return command->run(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sgdtool: %s\n", e.what());
        return 1;
    }
}
