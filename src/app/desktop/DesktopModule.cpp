#include "app/desktop/DesktopModule.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <filesystem>
#include <system_error>

#include "base/ProgramPath.h"

namespace zentrel::app {

std::string FindDesktopModule(std::string& error) {
    const std::filesystem::path directory = ProgramPath().parent_path();
    if (directory.empty()) {
        error = "cannot tell where the program is, so its window (" + std::string(kDesktopModuleFile) +
                ") cannot be found";
        return {};
    }
    const std::filesystem::path installed = directory / ZENTREL_DESKTOP_MODULE_DIR;
    for (const std::filesystem::path& path : {directory / kDesktopModuleFile, installed / kDesktopModuleFile}) {
        std::error_code ec;
        if (std::filesystem::exists(path, ec)) return path.string();
    }
    error = "its window (" + std::string(kDesktopModuleFile) + ") is neither in " + directory.string() + "/ nor in " +
            installed.string();
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
