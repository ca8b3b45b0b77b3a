// A fresh folder under the system's temporary folder, removed with its
// content when the object goes.
#pragma once

#include <filesystem>
#include <string>

class TTempDir {
public:
    explicit TTempDir(const std::string& tag = "test");
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // The path of a file inside the folder.
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    // Writes a file inside the folder (creating subfolders) and answers its path.
    std::string Write(const std::string& name, const std::string& bytes) const;

private:
    std::filesystem::path path_;
};

// The whole content of a file; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);

// Makes a folder the current one for the object's lifetime, for code that
// reads and writes relative to the current folder.
class TCurrentFolder {
public:
    explicit TCurrentFolder(const std::filesystem::path& folder)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~TCurrentFolder() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
    }
    TCurrentFolder(const TCurrentFolder&) = delete;
    TCurrentFolder& operator=(const TCurrentFolder&) = delete;

private:
    std::filesystem::path previous_;
};
