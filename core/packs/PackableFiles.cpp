#include "core/packs/PackableFiles.h"

#include <algorithm>

#include "core/base/Exception.h"

namespace fs = std::filesystem;

namespace {

// Whether path lies inside folder (both canonical).
bool IsInside(const fs::path& path, const fs::path& folder) {
    auto [end, ignored] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    return end == folder.end();
}

}  // namespace

std::string UnpackableReason(const fs::directory_entry& entry, const fs::path& canonicalFolder) {
    std::error_code error;
    const fs::file_status link = entry.symlink_status(error);
    const fs::file_status target = entry.status(error);
    if (fs::is_symlink(link)) {
        if (!fs::exists(target)) return "a link to nothing";
        const fs::path resolved = fs::canonical(entry.path(), error);
        if (error || !IsInside(resolved, canonicalFolder)) return "a link out of the folder";
        if (fs::is_directory(target)) return "a link to a folder";
    }
    if (fs::is_directory(target)) return {};
    if (fs::is_regular_file(target)) return {};
    if (fs::is_fifo(target)) return "a named pipe";
    if (fs::is_socket(target)) return "a socket";
    if (fs::is_block_file(target) || fs::is_character_file(target)) return "a device";
    return "not a regular file";
}

std::vector<TUnpackableEntry> UnpackableEntries(const fs::path& folder) {
    std::error_code error;
    const fs::path canonicalFolder = fs::canonical(folder, error);
    if (error) throw Exception("cannot read folder \"" + folder.string() + "\": " + error.message());
    std::vector<TUnpackableEntry> entries;
    fs::recursive_directory_iterator it(folder, error), end;
    for (; !error && it != end; it.increment(error)) {
        if (std::string reason = UnpackableReason(*it, canonicalFolder); !reason.empty()) {
            entries.push_back({it->path().lexically_relative(folder).generic_string(),
                               std::move(reason)});
        }
    }
    if (error) throw Exception("cannot read folder \"" + folder.string() + "\": " + error.message());
    return entries;
}
