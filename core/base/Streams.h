// Byte streams: the one way files and memory buffers are read and written.
//
// Streams are owned by one holder (std::unique_ptr<TStream>), never shared.
// Read and Write answer the number of bytes moved; ReadBuffer and WriteBuffer
// raise EStreamError when fewer move than asked.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

enum class TSeekOrigin { Begin, Current, End };

class TStream {
public:
    virtual ~TStream() = default;

    virtual size_t Read(void* buffer, size_t count) = 0;
    virtual size_t Write(const void* buffer, size_t count) = 0;
    // Moves the position and answers the new one; raises EStreamError when the
    // position would fall before the start.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual int64_t GetSize();
    virtual void SetSize(int64_t size);

    int64_t GetPosition() { return Seek(0, TSeekOrigin::Current); }
    void SetPosition(int64_t position) { Seek(position, TSeekOrigin::Begin); }

    void ReadBuffer(void* buffer, size_t count);
    void WriteBuffer(const void* buffer, size_t count);
    // Copies count bytes from source (all that remains when count is negative);
    // answers the number copied.
    int64_t CopyFrom(TStream& source, int64_t count = -1);
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}
    explicit TMemoryStream(const std::string& bytes) : data_(bytes.begin(), bytes.end()) {}

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t GetSize() override { return static_cast<int64_t>(data_.size()); }
    void SetSize(int64_t size) override;

    const std::vector<uint8_t>& Bytes() const { return data_; }
    std::vector<uint8_t>& Bytes() { return data_; }
    uint8_t* Memory() { return data_.data(); }

private:
    std::vector<uint8_t> data_;
    size_t position_ = 0;
};

enum class TFileMode {
    OpenRead,   // existing file, read only
    OpenWrite,  // existing file, read and write
    Create,     // created or emptied, read and write
};

class TFileStream : public TStream {
public:
    // Raises EStreamError when the file cannot be opened or created.
    TFileStream(const std::string& fileName, TFileMode mode);
    ~TFileStream() override;

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t GetSize() override;
    void SetSize(int64_t size) override;

    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
    int fd_ = -1;
};

// The whole remaining content of a stream as bytes.
std::string ReadAllText(TStream& stream);
