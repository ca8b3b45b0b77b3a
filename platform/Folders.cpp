#include "platform/Folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Makes one folder unless it is there; answers whether a folder is there now.
bool MakeFolder(const std::string& path) {
    if (IsFolder(path)) return true;
    if (mkdir(path.c_str(), 0700) == 0) return true;
    return errno == EEXIST && IsFolder(path);
}

// Makes the folder and every missing folder above it.
bool MakeFolders(const std::string& path) {
    if (IsFolder(path)) return true;
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (!MakeFolder(prefix)) return false;
    }
    return MakeFolder(path);
}

bool IsPlainFolderName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// $XDG_DATA_HOME when absolute (a relative one is ignored, as the XDG rules
// say), else $HOME/.local/share; empty when neither is usable.
std::string DataHome() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return WithoutTrailingSlashes(xdg);
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return WithoutTrailingSlashes(home) + "/.local/share";
    return {};
}

std::string FolderPrefix(const std::string& folder) {
    return folder == "/" ? folder : folder + "/";
}

}  // namespace

std::string GetUserDataDir(const std::string& productName, const std::string& fallbackDir) {
    const std::string home = DataHome();
    if (home.empty() || !MakeFolders(home)) return fallbackDir;
    const std::string result = FolderPrefix(home);
    if (!IsPlainFolderName(productName)) return result;
    const std::string maker = result + kMakerName;
    if (!MakeFolder(maker)) return result;
    const std::string product = maker + "/" + productName;
    if (!MakeFolder(product)) return result;
    return product + "/";
}

std::string GetExecutableDir() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return {};
    return FolderPrefix(WithoutTrailingSlashes(exe.parent_path().string()));
}

std::string MakeFolderPath(const std::string& path) {
    if (path.empty()) return {};
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(path, ec);
    if (ec) return {};
    return FolderPrefix(WithoutTrailingSlashes(p.lexically_normal().string()));
}
