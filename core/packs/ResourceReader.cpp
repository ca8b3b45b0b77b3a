#include "core/packs/ResourceReader.h"

#include <dirent.h>
#include <minizip/unzip.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "core/base/AsciiText.h"
#include "core/base/Exception.h"
#include "core/base/Log.h"

namespace {

// ---------------------------------------------------------------------------
// Names

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

void ForwardSlashes(std::string& path) {
    std::replace(path.begin(), path.end(), '\\', '/');
}

std::string JoinPath(const std::string& base, std::string_view name) {
    if (base.empty()) return std::string(name);
    std::string joined = base;
    if (joined.back() != '/') joined += '/';
    joined += name;
    return joined;
}

enum class TDiskKind { kMissing, kFolder, kFile, kOther };

TDiskKind DiskKindOf(const std::string& path) {
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return TDiskKind::kMissing;
    if (S_ISDIR(st.st_mode)) return TDiskKind::kFolder;
    if (S_ISREG(st.st_mode)) return TDiskKind::kFile;
    return TDiskKind::kOther;
}

// The name in folder that equals name ignoring ASCII case; of several, the
// first in byte order, so the answer does not depend on the directory's order.
std::string MatchInFolder(const std::string& folder, std::string_view name) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return {};
    std::string best;
    while (const dirent* e = ::readdir(dir)) {
        std::string_view candidate(e->d_name);
        if (EqualIgnoringAsciiCase(candidate, name) && (best.empty() || candidate < best)) {
            best = candidate;
        }
    }
    ::closedir(dir);
    return best;
}

// The path of what exists on the disk under path: the path itself when it
// exists, else the one whose components match it ignoring ASCII case (the
// file systems the data was made on ignore case). Empty when none exists.
std::string FindOnDisk(const std::string& path) {
    if (path.empty()) return {};
    if (DiskKindOf(path) != TDiskKind::kMissing) return path;
    std::string found = path[0] == '/' ? "/" : "";
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string_view part(path.data() + start, end - start);
        start = end + 1;
        if (part.empty()) continue;
        std::string exact = JoinPath(found, part);
        if (part == "." || part == ".." || DiskKindOf(exact) != TDiskKind::kMissing) {
            found = std::move(exact);
            continue;
        }
        std::string match = MatchInFolder(found, part);
        if (match.empty()) return {};
        found = JoinPath(found, match);
    }
    return DiskKindOf(found) == TDiskKind::kMissing ? std::string() : found;
}

// Where a file written under path goes: the existing file it names (case
// ignored), else the new name inside the existing folder it names.
std::string WritePathOf(const std::string& path) {
    std::string existing = FindOnDisk(path);
    if (!existing.empty()) return existing;
    size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return path;
    std::string folder = FindOnDisk(path.substr(0, slash));
    return folder.empty() ? path : folder + path.substr(slash);
}

// ---------------------------------------------------------------------------
// minizip over a TStream. Exceptions never cross the C library: a failing
// stream operation answers minizip's error values.

voidpf ZCALLBACK StreamOpen(voidpf opaque, const void*, int) {
    return opaque;
}

uLong ZCALLBACK StreamRead(voidpf, voidpf stream, void* buffer, uLong size) {
    try {
        return static_cast<uLong>(static_cast<TStream*>(stream)->Read(buffer, size));
    } catch (...) {
        return 0;
    }
}

uLong ZCALLBACK StreamWrite(voidpf, voidpf, const void*, uLong) {
    return 0;
}

ZPOS64_T ZCALLBACK StreamTell(voidpf, voidpf stream) {
    try {
        return static_cast<ZPOS64_T>(static_cast<TStream*>(stream)->GetPosition());
    } catch (...) {
        return static_cast<ZPOS64_T>(-1);
    }
}

long ZCALLBACK StreamSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    TSeekOrigin from = origin == ZLIB_FILEFUNC_SEEK_CUR   ? TSeekOrigin::Current
                       : origin == ZLIB_FILEFUNC_SEEK_END ? TSeekOrigin::End
                                                          : TSeekOrigin::Begin;
    try {
        static_cast<TStream*>(stream)->Seek(static_cast<int64_t>(offset), from);
        return 0;
    } catch (...) {
        return -1;
    }
}

// The stream belongs to the reader, which frees it after closing the archive.
int ZCALLBACK StreamClose(voidpf, voidpf) {
    return 0;
}
int ZCALLBACK StreamError(voidpf, voidpf) {
    return 0;
}

// The most deflate can expand: about 1032 to 1, plus its end marks.
constexpr uint64_t kMaxDeflateRatio = 1032;

// ---------------------------------------------------------------------------
// Process-wide state

// The pack extension and the source that delivered the last file. Never
// destroyed: the unit's finalisation frees the reader, and so may code that
// runs during the program's exit, after static objects have begun to go
// (a static owner destroyed first would free the reader a second time).
struct TReaderState {
    std::string extension = ".zip";
    std::unique_ptr<TResourceReader> current;
};

TReaderState& ReaderState() {
    static TReaderState* state = new TReaderState();
    return *state;
}

std::string& PackExtension() {
    return ReaderState().extension;
}

std::unique_ptr<TResourceReader>& CurrentReader() {
    return ReaderState().current;
}

// Whether path lies under the reader's path ("data" answers "DATA/x").
bool IsUnder(const std::string& path, const std::string& readerPath) {
    return !readerPath.empty() && path.size() > readerPath.size() &&
           path[readerPath.size()] == '/' &&
           EqualIgnoringAsciiCase(std::string_view(path).substr(0, readerPath.size()), readerPath);
}

std::string ExpandResourcePath(const std::string& path) {
    std::string result = path;
    ForwardSlashes(result);
    static constexpr std::string_view kAppPath = "%apppath%";
    size_t at = result.find(kAppPath);
    if (at != std::string::npos) {
        std::string folder = ApplicationFolder();
        for (; at != std::string::npos; at = result.find(kAppPath, at + folder.size())) {
            result.replace(at, kAppPath.size(), folder);
        }
    }
    return result;
}

std::unique_ptr<TStream> SearchResource(std::string path) {
    if (path.find('/') == std::string::npos) path.insert(0, "./");

    std::unique_ptr<TResourceReader>& current = CurrentReader();
    if (current && IsUnder(path, current->Path())) {
        auto stream = current->OpenFile(path.substr(current->Path().size() + 1));
        if (!current->Failure().empty()) {
            Log("PACK", current->Failure());
            return nullptr;
        }
        // A pack answers for everything under it. A folder's miss is searched
        // again, or a pack deeper in that folder would be found or not
        // depending on what was read before.
        if (stream || current->GetKind() == TResourceReader::kArchive) return stream;
    }

    std::string prefix = std::move(path);
    std::string entry;
    for (size_t slash; (slash = prefix.rfind('/')) != std::string::npos;) {
        std::string_view last = std::string_view(prefix).substr(slash + 1);
        entry = entry.empty() ? std::string(last) : std::string(last) + "/" + entry;
        prefix.resize(slash);
        auto reader = std::make_unique<TResourceReader>(prefix);
        if (reader->GetKind() == TResourceReader::kNothing) {
            if (!reader->Failure().empty()) Log("PACK", reader->Failure());
            continue;
        }
        if (auto stream = reader->OpenFile(entry)) {
            current = std::move(reader);
            return stream;
        }
        if (!reader->Failure().empty()) {
            Log("PACK", reader->Failure());
            return nullptr;
        }
        // Every shorter prefix is a folder above this one and would look for
        // the very same file.
        if (reader->GetKind() == TResourceReader::kFolder) break;
    }
    return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------

void SetPackExtension(const std::string& extension) {
    PackExtension() = extension;
}

const std::string& GetPackExtension() {
    return PackExtension();
}

void InitResourceReader() {
    PackExtension() = ".zip";
    CurrentReader().reset();
}

void FreeResourceReader() {
    CurrentReader().reset();
}

std::string ApplicationFolder() {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof buffer) return "./";
    std::string exe(buffer, static_cast<size_t>(n));
    size_t slash = exe.rfind('/');
    return slash == std::string::npos ? "./" : exe.substr(0, slash + 1);
}

std::unique_ptr<TStream> OpenResource(const std::string& path, bool search) {
    if (!search) {
        std::string target = ExpandResourcePath(path);
        if (StartsWithIgnoringCase(target, "res:")) return nullptr;
        try {
            return std::make_unique<TFileStream>(WritePathOf(target), TFileMode::Create);
        } catch (const std::exception& e) {
            Log("PACK", e.what());
            throw;
        }
    }
    try {
        return SearchResource(ExpandResourcePath(path));
    } catch (const std::exception& e) {
        Log("PACK", "Cannot open \"" + path + "\": " + e.what());
        return nullptr;
    } catch (...) {
        return nullptr;
    }
}

std::string ReadStreamText(TStream* stream) {
    if (stream == nullptr) return {};
    try {
        return ReadAllText(*stream);
    } catch (const std::exception& e) {
        Log("PACK", std::string("A file stopped reading: ") + e.what());
        return {};
    } catch (...) {
        return {};
    }
}

// ---------------------------------------------------------------------------
// TBufferedFileStream

TBufferedFileStream::TBufferedFileStream(const std::string& fileName, TFileMode mode)
    : TFileStream(fileName, mode), buffer_(new uint8_t[kBufferSize]) {}

size_t TBufferedFileStream::Read(void* buffer, size_t count) {
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < count) {
        if (remaining_ == 0) {
            size_t wanted = count - done;
            if (wanted >= kBufferSize) {
                // A read as large as the buffer gains nothing from it.
                size_t n = TFileStream::Read(out + done, wanted);
                filePos_ += static_cast<int64_t>(n);
                filled_ = current_ = 0;
                done += n;
                break;
            }
            filled_ = TFileStream::Read(buffer_.get(), kBufferSize);
            filePos_ += static_cast<int64_t>(filled_);
            current_ = 0;
            remaining_ = filled_;
            if (filled_ == 0) break;
        }
        size_t n = std::min(remaining_, count - done);
        std::memcpy(out + done, buffer_.get() + current_, n);
        current_ += n;
        remaining_ -= n;
        done += n;
    }
    return done;
}

size_t TBufferedFileStream::Write(const void*, size_t) {
    return 0;
}

int64_t TBufferedFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t target = offset;
    if (origin == TSeekOrigin::End) {
        filePos_ = TFileStream::Seek(offset, TSeekOrigin::End);
        filled_ = current_ = remaining_ = 0;
        return filePos_;
    }
    if (origin == TSeekOrigin::Current) {
        int64_t delivered = filePos_ - static_cast<int64_t>(remaining_);
        if (__builtin_add_overflow(delivered, offset, &target)) {
            throw EStreamError("Stream seek error in \"" + FileName() + "\"");
        }
    }
    if (target < 0) throw EStreamError("Stream seek before the start");
    // A position still in the buffer costs no file access.
    int64_t bufferStart = filePos_ - static_cast<int64_t>(filled_);
    if (target >= bufferStart && target <= filePos_) {
        current_ = static_cast<size_t>(target - bufferStart);
        remaining_ = filled_ - current_;
        return target;
    }
    filled_ = current_ = remaining_ = 0;
    filePos_ = TFileStream::Seek(target, TSeekOrigin::Begin);
    return filePos_;
}

// ---------------------------------------------------------------------------
// TResourceReader

size_t TResourceReader::TNameHash::operator()(std::string_view name) const noexcept {
    uint64_t h = 1469598103934665603ull;  // FNV-1a over the upper-cased bytes
    for (char c : name) h = (h ^ static_cast<uint8_t>(UpperAscii(c))) * 1099511628211ull;
    return static_cast<size_t>(h);
}

bool TResourceReader::TNameEqual::operator()(std::string_view a,
                                             std::string_view b) const noexcept {
    return EqualIgnoringAsciiCase(a, b);
}

TResourceReader::TResourceReader(const std::string& path) : path_(path) {
    ForwardSlashes(path_);
    if (!path_.empty() && path_.back() == '/') path_.pop_back();
    // Built-in data resources: none on this platform.
    if (StartsWithIgnoringCase(path_, "res:")) {
        path_.erase(0, 4);
        return;
    }
    if (path_.empty()) return;
    try {
        std::string found = FindOnDisk(path_);
        TDiskKind kind = DiskKindOf(found);
        if (kind == TDiskKind::kFolder) {
            diskPath_ = found;
            kind_ = kFolder;
            return;
        }
        if (kind == TDiskKind::kMissing) {
            found = FindOnDisk(path_ + GetPackExtension());
            kind = DiskKindOf(found);
        }
        if (kind != TDiskKind::kFile) return;
        stream_ = std::make_unique<TBufferedFileStream>(found, TFileMode::OpenRead);
        diskPath_ = found;
    } catch (const std::exception& e) {
        failure_ = e.what();
        stream_.reset();
        return;
    } catch (...) {
        stream_.reset();
        return;
    }
    zlib_filefunc64_def io{StreamOpen, StreamRead,  StreamWrite, StreamTell,
                           StreamSeek, StreamClose, StreamError, stream_.get()};
    archive_ = unzOpen2_64(diskPath_.c_str(), &io);
    if (archive_ != nullptr) {
        kind_ = kArchive;
    } else {
        failure_ = "The pack \"" + diskPath_ + "\" is no readable ZIP archive";
        stream_.reset();
    }
}

TResourceReader::~TResourceReader() {
    if (archive_ != nullptr) unzClose(static_cast<unzFile>(archive_));
}

std::unique_ptr<TStream> TResourceReader::OpenFile(const std::string& name) {
    failure_.clear();
    try {
        switch (kind_) {
            case kFolder:
                return OpenFolderFile(name);
            case kArchive:
                return OpenEntry(name);
            case kNothing:
                break;
        }
    } catch (const std::exception& e) {
        // A file that is there but does not open (no permission), or memory
        // running out for an entry.
        failure_ = "Cannot read \"" + name + "\" in \"" + path_ + "\": " + e.what();
    } catch (...) {
    }
    return nullptr;
}

uint32_t TResourceReader::GetFileSize(const std::string& name) {
    try {
        auto stream = OpenFile(name);
        return stream ? static_cast<uint32_t>(stream->GetSize()) : 0;
    } catch (...) {
        return 0;
    }
}

std::string TResourceReader::ReadText(const std::string& name) {
    auto stream = OpenFile(name);
    return ReadStreamText(stream.get());
}

std::unique_ptr<TStream> TResourceReader::OpenFolderFile(const std::string& name) {
    std::string relative = name;
    ForwardSlashes(relative);
    std::string found = FindOnDisk(JoinPath(diskPath_, relative));
    if (DiskKindOf(found) != TDiskKind::kFile) return nullptr;
    return std::make_unique<TFileStream>(found, TFileMode::OpenRead);
}

namespace {

// Visits every entry of the archive's directory in stored order with its
// name, information and position; false when the directory is damaged.
template <class F>
bool ForEachEntry(unzFile zip, F&& visit) {
    unz_global_info64 global;
    if (unzGetGlobalInfo64(zip, &global) != UNZ_OK) return false;
    if (global.number_entry == 0) return true;
    int err = unzGoToFirstFile(zip);
    std::string name;
    while (err == UNZ_OK) {
        unz_file_info64 info;
        char small[256];
        if (unzGetCurrentFileInfo64(zip, &info, small, sizeof small, nullptr, 0, nullptr, 0) !=
            UNZ_OK) {
            return false;
        }
        if (info.size_filename < sizeof small) {
            name.assign(small, info.size_filename);
        } else {
            name.assign(info.size_filename, '\0');
            if (unzGetCurrentFileInfo64(zip, &info, name.data(), static_cast<uLong>(name.size()),
                                        nullptr, 0, nullptr, 0) != UNZ_OK) {
                return false;
            }
        }
        unz64_file_pos pos;
        if (unzGetFilePos64(zip, &pos) != UNZ_OK) return false;
        visit(name, info, pos);
        err = unzGoToNextFile(zip);
    }
    return err == UNZ_END_OF_LIST_OF_FILE;
}

}  // namespace

void TResourceReader::BuildIndex() {
    indexed_ = true;
    // A damaged directory keeps the entries read before the damage.
    directoryDamaged_ = !ForEachEntry(
        static_cast<unzFile>(archive_),
        [this](const std::string& name, const unz_file_info64&, const unz64_file_pos& pos) {
            index_.try_emplace(name, TEntryPos{pos.pos_in_zip_directory, pos.num_of_file});
        });
}

bool TResourceReader::ListEntries(std::vector<TPackEntry>& entries) {
    if (kind_ != kArchive) return false;
    auto zip = static_cast<unzFile>(archive_);
    try {
        return ForEachEntry(
            zip, [&](const std::string& name, const unz_file_info64& info, const unz64_file_pos&) {
                TPackEntry entry{name, info.uncompressed_size, info.compressed_size,
                                 static_cast<uint32_t>(info.compression_method)};
                // Opened raw, the entry's local header is read and nothing is
                // inflated.
                if (unzOpenCurrentFile2(zip, nullptr, nullptr, 1) == UNZ_OK) {
                    entry.dataOffset = unzGetCurrentFileZStreamPos64(zip);
                    unzCloseCurrentFile(zip);
                }
                entries.push_back(std::move(entry));
            });
    } catch (...) {
        return false;
    }
}

std::unique_ptr<TStream> TResourceReader::OpenEntry(const std::string& name) {
    auto zip = static_cast<unzFile>(archive_);
    const auto refuse = [&](const char* why) -> std::unique_ptr<TStream> {
        failure_ = "The entry \"" + name + "\" of the pack \"" + diskPath_ + "\" " + why;
        return nullptr;
    };
    if (!indexed_) BuildIndex();
    std::string key = name;
    ForwardSlashes(key);
    auto it = index_.find(std::string_view(key));
    if (it == index_.end()) {
        if (directoryDamaged_) return refuse("is not in the readable part of its directory");
        return nullptr;
    }

    unz64_file_pos pos{it->second.directoryPos, it->second.fileNumber};
    unz_file_info64 info;
    if (unzGoToFilePos64(zip, &pos) != UNZ_OK ||
        unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
        return refuse("has a damaged directory record");
    }
    // Packs are not enciphered; and a size the stored bytes cannot hold marks
    // a damaged directory, refused before anything is allocated for it.
    if ((info.flag & 1) != 0) return refuse("is enciphered, which packs never are");
    auto archiveSize = static_cast<uint64_t>(stream_->GetSize());
    uint64_t most = info.compression_method == 0 ? info.compressed_size
                                                 : info.compressed_size * kMaxDeflateRatio + 64;
    if (info.compressed_size > archiveSize || info.uncompressed_size > most) {
        return refuse("claims a size its stored bytes cannot hold");
    }

    if (unzOpenCurrentFile(zip) != UNZ_OK) return refuse("has a damaged header");
    std::vector<uint8_t> bytes;
    bool complete = true;
    try {
        bytes.resize(static_cast<size_t>(info.uncompressed_size));
        for (size_t done = 0; complete && done < bytes.size();) {
            auto chunk = static_cast<unsigned>(std::min<size_t>(bytes.size() - done, 1u << 30));
            int n = unzReadCurrentFile(zip, bytes.data() + done, chunk);
            complete = n == static_cast<int>(chunk);
            done += chunk;
        }
    } catch (...) {
        complete = false;
    }
    // Closing checks the CRC of a completely read entry.
    int closed = unzCloseCurrentFile(zip);
    if (!complete) return refuse("is damaged or cut short");
    if (closed != UNZ_OK) return refuse("does not match its checksum");
    return std::make_unique<TMemoryStream>(std::move(bytes));
}
