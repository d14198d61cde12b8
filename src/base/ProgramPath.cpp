#include "base/ProgramPath.h"

#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#elif defined(__APPLE__)
#include <limits.h>
#include <mach-o/dyld.h>
#include <stdlib.h>
#endif

namespace zentrel {

std::filesystem::path ProgramPath() {
#if defined(_WIN32)
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    return std::filesystem::path(std::wstring(buffer, n));
#elif defined(__APPLE__)
    char buffer[PATH_MAX];
    uint32_t size = sizeof buffer;
    char resolved[PATH_MAX];
    if (_NSGetExecutablePath(buffer, &size) != 0 || realpath(buffer, resolved) == nullptr) return {};
    return resolved;
#else
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return path;
#endif
}

}  // namespace zentrel
