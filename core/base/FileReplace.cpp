#include "core/base/FileReplace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/base/Exception.h"

namespace {

constexpr std::string_view kTempInfix = ".tmp-";
constexpr size_t kTempSuffixLength = 6;  // what mkostemp puts in place of "XXXXXX"

[[noreturn]] void Fail(const std::string& path, int error) {
    throw EStreamError("Cannot save " + path + ": " + std::strerror(error));
}

// Writes the whole buffer, resuming after interruptions.
bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// The mode a new file gets from the process's file-creation mask.
mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Whether name is a temporary file of a save of the file named base.
bool IsTempOf(std::string_view name, std::string_view base) {
    return name.size() == base.size() + kTempInfix.size() + kTempSuffixLength &&
           name.starts_with(base) && name.substr(base.size(), kTempInfix.size()) == kTempInfix;
}

// Removes the temporary files of base in folder that no live save holds: a
// save keeps its lock until its file is renamed, and the lock goes with the
// process, so a file that can be locked was left by a save that died.
void RemoveStaleTempFiles(const std::string& folder, std::string_view base) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsTempOf(entry->d_name, base)) continue;
        const std::string path = folder + "/" + entry->d_name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) continue;
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            ::unlink(path.c_str());
        }
        ::close(fd);
    }
    ::closedir(dir);
}

}  // namespace

void ReplaceFileContents(const std::string& path, std::string_view bytes) {
    const size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
    const std::string_view base = slash == std::string::npos
                                      ? std::string_view(path)
                                      : std::string_view(path).substr(slash + 1);
    RemoveStaleTempFiles(folder, base);

    std::string temp = path + std::string(kTempInfix) + std::string(kTempSuffixLength, 'X');
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) Fail(path, errno);
    // Held until the file has its final name; see RemoveStaleTempFiles.
    (void)::flock(fd, LOCK_EX);
    struct stat st;
    const mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : NewFileMode();
    (void)::fchmod(fd, mode);  // a mode that cannot be set is no reason to fail

    int error = 0;
    if (!WriteAll(fd, bytes.data(), bytes.size()) || ::fsync(fd) != 0 ||
        ::rename(temp.c_str(), path.c_str()) != 0) {
        error = errno;
    }
    // With the data flushed, closing cannot lose any of it.
    ::close(fd);
    if (error != 0) {
        ::unlink(temp.c_str());
        Fail(path, error);
    }
    // The rename itself reaches the disk with the folder.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}
