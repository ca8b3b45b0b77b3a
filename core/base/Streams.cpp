#include "core/base/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/base/Exception.h"

int64_t TStream::GetSize() {
    int64_t position = Seek(0, TSeekOrigin::Current);
    int64_t size = Seek(0, TSeekOrigin::End);
    Seek(position, TSeekOrigin::Begin);
    return size;
}

void TStream::SetSize(int64_t) { throw EStreamError("Stream size cannot be changed"); }

void TStream::ReadBuffer(void* buffer, size_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, size_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count < 0) count = source.GetSize() - source.GetPosition();
    std::vector<uint8_t> chunk(static_cast<size_t>(std::min<int64_t>(count, 65536)));
    int64_t copied = 0;
    while (copied < count) {
        size_t n = static_cast<size_t>(std::min<int64_t>(count - copied, chunk.size()));
        source.ReadBuffer(chunk.data(), n);
        WriteBuffer(chunk.data(), n);
        copied += static_cast<int64_t>(n);
    }
    return copied;
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
    if (position_ >= data_.size()) return 0;
    size_t n = std::min(count, data_.size() - position_);
    std::memcpy(buffer, data_.data() + position_, n);
    position_ += n;
    return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
    if (count == 0) return 0;
    if (position_ + count > data_.size()) data_.resize(position_ + count);
    std::memcpy(data_.data() + position_, buffer, count);
    position_ += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t base = origin == TSeekOrigin::Begin     ? 0
                   : origin == TSeekOrigin::Current ? static_cast<int64_t>(position_)
                                                    : static_cast<int64_t>(data_.size());
    int64_t target = base + offset;
    if (target < 0) throw EStreamError("Stream seek before the start");
    position_ = static_cast<size_t>(target);
    return target;
}

void TMemoryStream::SetSize(int64_t size) {
    if (size < 0) throw EStreamError("Negative stream size");
    data_.resize(static_cast<size_t>(size));
    position_ = std::min(position_, data_.size());
}

TFileStream::TFileStream(const std::string& fileName, TFileMode mode) : fileName_(fileName) {
    int flags = O_CLOEXEC;
    switch (mode) {
        case TFileMode::OpenRead: flags |= O_RDONLY; break;
        case TFileMode::OpenWrite: flags |= O_RDWR; break;
        case TFileMode::Create: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    }
    fd_ = ::open(fileName.c_str(), flags, 0644);
    if (fd_ < 0) {
        throw EStreamError((mode == TFileMode::Create ? "Cannot create file \"" : "Cannot open file \"") +
                           fileName + "\". " + std::strerror(errno));
    }
    struct stat st;
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        throw EStreamError("Cannot open file \"" + fileName + "\". It is a folder");
    }
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) ::close(fd_);
}

size_t TFileStream::Read(void* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::read(fd_, static_cast<char*>(buffer) + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

size_t TFileStream::Write(const void* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::write(fd_, static_cast<const char*>(buffer) + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    int whence = origin == TSeekOrigin::Begin ? SEEK_SET : origin == TSeekOrigin::Current ? SEEK_CUR : SEEK_END;
    off_t result = ::lseek(fd_, offset, whence);
    if (result < 0) throw EStreamError("Stream seek error in \"" + fileName_ + "\"");
    return result;
}

int64_t TFileStream::GetSize() {
    struct stat st;
    if (::fstat(fd_, &st) != 0) throw EStreamError("Cannot read the size of \"" + fileName_ + "\"");
    return st.st_size;
}

void TFileStream::SetSize(int64_t size) {
    if (::ftruncate(fd_, size) != 0) throw EStreamError("Cannot change the size of \"" + fileName_ + "\"");
}

std::string ReadAllText(TStream& stream) {
    int64_t remaining = stream.GetSize() - stream.GetPosition();
    if (remaining <= 0) return {};
    std::string text(static_cast<size_t>(remaining), '\0');
    text.resize(stream.Read(text.data(), text.size()));
    return text;
}
