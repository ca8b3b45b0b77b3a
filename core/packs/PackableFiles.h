// What a data folder may hold to be packed whole: folders, regular files, and
// links to regular files inside the folder. The game reading the folder
// follows any link, but a pack cannot hold a link out of the folder or to a
// folder (entering those could loop or take in files from anywhere), a link
// to nothing, a pipe, a socket or a device; a pack made without them would
// lack files the folder shows. "sgdtool pack" refuses such a folder and the
// data check reports each of them, by this one rule.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Why the entry cannot go into a pack of the folder ("a link out of the
// folder", "a named pipe", ...); empty when it can. canonicalFolder is the
// folder's canonical path.
std::string UnpackableReason(const std::filesystem::directory_entry& entry,
                             const std::filesystem::path& canonicalFolder);

struct TUnpackableEntry {
    std::string name;    // below the folder, "/" between folders
    std::string reason;  // as UnpackableReason gives it
};

// Every entry under folder that cannot go into a pack, in the order of the
// walk, which does not enter links to folders. An unreadable folder raises
// Exception.
std::vector<TUnpackableEntry> UnpackableEntries(const std::filesystem::path& folder);
