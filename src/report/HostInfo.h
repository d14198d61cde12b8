#pragma once
// Facts about the host computer: the seven lines that the diagnostics report prints under
// "Host Computer Information:" and the Diagnostics page lists as "System Information".
#include <array>
#include <string>

namespace zentrel {

inline constexpr char programVersion[] = "3.0.91231";
inline constexpr std::size_t kHostLineMax = 255;

using HostInformation = std::array<std::string, 7>;

// What the system reports, before formatting.
struct HostFacts {
    std::string computerName;
    std::string userName;
    std::string machine;        // the kernel's machine name, e.g. "x86_64"
    std::string osName;         // PRETTY_NAME of os-release
    std::string kernelRelease;  // e.g. "6.1.0-18-amd64"
};

HostFacts ReadHostFacts();
// Lines from facts, the OEM title and the capture library's version text (empty: "not present").
HostInformation FormatHostInformation(const HostFacts& facts, const std::string& title,
                                      const std::string& libraryVersion);
// ReadHostFacts formatted with the OEM title and the capture library's version text.
HostInformation CollectHostInformation(const std::string& title, const std::string& libraryVersion);

std::string FormatProcessor(const std::string& machine);
std::string FormatOsPlatform(const std::string& osName, const std::string& kernelRelease);
// PRETTY_NAME of an os-release text, unquoted; empty when absent.
std::string PrettyNameFromOsRelease(const std::string& text);

}  // namespace zentrel
