#include "app/desktop/DesktopModule.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>
#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif
#endif

namespace zentrel::app {

namespace {

// The directory the running program's file is in, with a trailing separator; empty when the
// system cannot tell.
std::string ProgramDirectory() {
    std::string path;
#if defined(_WIN32)
    char buffer[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    if (n > 0 && n < MAX_PATH) path.assign(buffer, n);
    const auto slash = path.find_last_of("\\/");
#else
#if defined(__APPLE__)
    char buffer[PATH_MAX];
    uint32_t size = sizeof buffer;
    char resolved[PATH_MAX];
    if (_NSGetExecutablePath(buffer, &size) == 0 && realpath(buffer, resolved) != nullptr) path = resolved;
#else
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n > 0 && static_cast<std::size_t>(n) < sizeof buffer) path.assign(buffer, static_cast<std::size_t>(n));
#endif
    const auto slash = path.rfind('/');
#endif
    if (slash == std::string::npos) return {};
    return path.substr(0, slash + 1);
}

}  // namespace

std::string FindDesktopModule(std::string& error) {
    const std::string directory = ProgramDirectory();
    if (directory.empty()) {
        error = "cannot tell where the program is, so its window (" + std::string(kDesktopModuleFile) +
                ") cannot be found";
        return {};
    }
    for (const std::string& path : {directory + kDesktopModuleFile,
                                    directory + ZENTREL_DESKTOP_MODULE_DIR "/" + kDesktopModuleFile}) {
#if defined(_WIN32)
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return path;
#else
        if (access(path.c_str(), F_OK) == 0) return path;
#endif
    }
    error = "its window (" + std::string(kDesktopModuleFile) + ") is neither in " + directory + " nor in " +
            directory + ZENTREL_DESKTOP_MODULE_DIR;
    return {};
}

DesktopEntry LoadDesktopModule(const std::string& path, std::string& error) {
#if defined(_WIN32)
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) {
        error = path + ": cannot be loaded (error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
    auto entry = reinterpret_cast<DesktopEntry>(GetProcAddress(module, kDesktopEntryName));
#else
    void* module = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (module == nullptr) {
        const char* why = dlerror();
        error = why ? why : path + ": cannot be loaded";
        return nullptr;
    }
    auto entry = reinterpret_cast<DesktopEntry>(dlsym(module, kDesktopEntryName));
#endif
    if (entry == nullptr) error = path + ": has no " + kDesktopEntryName;
    return entry;
}

}  // namespace zentrel::app
