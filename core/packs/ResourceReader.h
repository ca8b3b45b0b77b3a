// Every file the engine reads is opened through OpenResource: from a folder, or
// from a ZIP archive (a pack) standing where a folder would be.
//
// A path is resolved from its longest folder prefix to its shortest. Each
// prefix is taken as a folder when one exists, else as a file of exactly that
// name read as a ZIP archive, else as that name plus the pack extension. "\"
// is read as "/", "%apppath%" is the folder of the running executable, and
// names are matched without regard to ASCII case: inside packs always, on the
// disk after the exact name has been tried. The source that delivered the
// last file stays current and answers later paths under it without a search.
//
// "res:" names built-in data of the application; this platform builds none
// in, so such paths give no stream and touch no file.
//
// Failures: with the search flag, a missing, unreadable or damaged file gives
// no stream (null), never an exception. A missing file is a normal answer to a
// probe and writes nothing; a file or pack that is there but cannot be read
// (no permission, a damaged or enciphered entry, a pack that is no ZIP
// archive) writes one line to the core log, module "PACK". Writing (no search
// flag) raises EStreamError when the file cannot be created, after a log line.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/base/Streams.h"
#include "core/base/Units.h"

// The extension tried after a prefix that is neither a folder nor a file,
// ".zip" until the program sets its own (".sgd").
void SetPackExtension(const std::string& extension);
const std::string& GetPackExtension();

// Opens the file at path. With search, for reading (null when not found);
// without, created or emptied for writing (null for a "res:" path).
std::unique_ptr<TStream> OpenResource(const std::string& path, bool search = true);

// The whole rest of a stream as bytes; empty for no stream or a failed read
// (which writes a log line).
std::string ReadStreamText(TStream* stream);

// The folder of the running executable, ending with "/".
std::string ApplicationFolder();

// The unit's initialisation: the pack extension ".zip", no current source.
void InitResourceReader();
// The unit's finalisation: forgets the current source (the folder or pack
// that delivered the last file), closing its archive. Safe to call again, and
// from code that runs while the program exits.
void FreeResourceReader();
inline constexpr TUnit kResourceReaderUnit = {"ResourceReader", InitResourceReader,
                                              FreeResourceReader};

// A read-only file stream that reads through a 1000-byte buffer, so that the
// many small reads of a ZIP directory do not each reach the file. Relative
// seeks count from the bytes delivered; Write writes nothing and answers 0.
class TBufferedFileStream : public TFileStream {
public:
    static constexpr size_t kBufferSize = 1000;

    // Raises EStreamError when the file cannot be opened.
    TBufferedFileStream(const std::string& fileName, TFileMode mode);

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;

private:
    std::unique_ptr<uint8_t[]> buffer_;
    size_t current_ = 0;    // next unread byte in the buffer
    size_t remaining_ = 0;  // unread bytes in the buffer; 0: empty
    size_t filled_ = 0;     // bytes the buffer holds, read or not
    int64_t filePos_ = 0;   // position of the file, just past the buffer
};

// One entry of a pack's directory.
struct TPackEntry {
    std::string name;
    uint64_t size = 0;        // uncompressed
    uint64_t packedSize = 0;  // as stored
    uint32_t method = 0;      // 0 stored, 8 deflated
    // Where the stored bytes begin in the archive; kNoDataOffset when the
    // entry's local header cannot be read.
    uint64_t dataOffset = kNoDataOffset;
    static constexpr uint64_t kNoDataOffset = ~uint64_t{0};
};

// One source of files: a folder or an opened ZIP archive.
class TResourceReader {
public:
    enum Kind : uint8_t { kNothing = 0, kFolder = 1, kArchive = 2 };

    // Classifies the path (a trailing "/" removed): a folder, a file read as a
    // ZIP archive, or the path plus the pack extension read as one. Kind
    // kNothing when none of them is usable (see Failure); never raises.
    explicit TResourceReader(const std::string& path);
    ~TResourceReader();
    TResourceReader(const TResourceReader&) = delete;
    TResourceReader& operator=(const TResourceReader&) = delete;

    const std::string& Path() const { return path_; }
    Kind GetKind() const { return kind_; }

    // The named file of the folder (opened read-only, unbuffered) or the
    // named entry of the archive (inflated whole into a memory stream at
    // position 0). Null when it is missing, damaged or cannot be read.
    std::unique_ptr<TStream> OpenFile(const std::string& name);
    // The size of the file or entry (low 32 bits), 0 when it cannot be opened.
    uint32_t GetFileSize(const std::string& name);
    // The whole file or entry, empty when it cannot be opened.
    std::string ReadText(const std::string& name);

    // The archive's directory in stored order, with where each entry's bytes
    // are stored. False (with the entries read so far) when this is no archive
    // or its directory is damaged.
    bool ListEntries(std::vector<TPackEntry>& entries);

    // Why the construction or the last OpenFile (GetFileSize, ReadText) found
    // something it could not use: a pack file that is no readable ZIP archive,
    // a file without read permission, a damaged or enciphered entry. Empty
    // when nothing was there (a missing file) or nothing failed. Nothing here
    // writes to the log; OpenResource does, and tools report it themselves.
    const std::string& Failure() const { return failure_; }

private:
    struct TNameHash {
        using is_transparent = void;
        size_t operator()(std::string_view name) const noexcept;
    };
    struct TNameEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const noexcept;
    };
    struct TEntryPos {
        uint64_t directoryPos;
        uint64_t fileNumber;
    };

    std::unique_ptr<TStream> OpenFolderFile(const std::string& name);
    std::unique_ptr<TStream> OpenEntry(const std::string& name);
    void BuildIndex();

    std::string path_;      // as asked, without "res:" and a trailing "/"
    std::string diskPath_;  // the folder or file as found on the disk
    Kind kind_ = kNothing;
    std::unique_ptr<TStream> stream_;  // under the archive
    void* archive_ = nullptr;          // minizip's handle
    bool indexed_ = false;
    bool directoryDamaged_ = false;  // the index holds the entries before the damage
    std::string failure_;
    // Entry positions by name, ASCII case ignored; the first of equal names.
    std::unordered_map<std::string, TEntryPos, TNameHash, TNameEqual> index_;
};
