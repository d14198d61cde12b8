#include "report/HostInfo.h"

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>


namespace zentrel {
namespace {

// The names are read into 80-character buffers, as the report has always shown them.
constexpr std::size_t kNameBuffer = 80;

std::string Cut(std::string text, std::size_t limit) {
    if (text.size() > limit) text.resize(limit);
    return text;
}

std::string ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    // os-release is a few hundred bytes; a larger file is not one.
    std::vector<char> buffer(16384);
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    return std::string(buffer.data(), static_cast<std::size_t>(in.gcount()));
}

// The first three numbers of a kernel release such as "6.1.0-18-amd64"; missing ones are 0.
std::array<int, 3> KernelNumbers(const std::string& release) {
    std::array<int, 3> numbers{};
    std::size_t i = 0;
    for (int n = 0; n < 3; ++n) {
        if (i >= release.size() || release[i] < '0' || release[i] > '9') break;
        long value = 0;
        while (i < release.size() && release[i] >= '0' && release[i] <= '9') {
            if (value < 100000000) value = value * 10 + (release[i] - '0');
            ++i;
        }
        numbers[static_cast<std::size_t>(n)] = static_cast<int>(value);
        if (i >= release.size() || release[i] != '.') break;
        ++i;
    }
    return numbers;
}

// "Name: value", the value cut to the name buffer.
std::string NamedLine(const char* name, const std::string& value) {
    char line[kHostLineMax + 1];
    std::snprintf(line, sizeof line, "%s: %s", name, Cut(value, kNameBuffer - 1).c_str());
    return line;
}

}  // namespace

std::string PrettyNameFromOsRelease(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::string key = "PRETTY_NAME=";
        if (line.compare(0, key.size(), key) != 0) continue;
        std::string value = line.substr(key.size());
        while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
            const bool doubleQuoted = value.front() == '"';
            value = value.substr(1, value.size() - 2);
            if (doubleQuoted) {
                std::string unescaped;
                for (std::size_t i = 0; i < value.size(); ++i) {
                    if (value[i] == '\\' && i + 1 < value.size()) ++i;
                    unescaped += value[i];
                }
                value = unescaped;
            }
        }
        return value;
    }
    return {};
}

std::string FormatProcessor(const std::string& machine) {
    char line[kHostLineMax + 1];
    if (machine == "x86_64") {
        std::snprintf(line, sizeof line, "%s: (X64)", "Microprocessor");
    } else if (machine == "aarch64" || machine == "arm64") {
        std::snprintf(line, sizeof line, "%s: (ARM64)", "Microprocessor");
    } else {
        std::snprintf(line, sizeof line, "%s: %s", "Microprocessor", machine.c_str());
    }
    return line;
}

std::string FormatOsPlatform(const std::string& osName, const std::string& kernelRelease) {
    const auto numbers = KernelNumbers(kernelRelease);
    const std::string servicePack;  // Linux has none; the blank before the comma stays
    char line[kHostLineMax + 1];
    std::snprintf(line, sizeof line, "%s: %s %s, V%d.%d, Build %d", "OS Platform", osName.c_str(), servicePack.c_str(),
                  numbers[0], numbers[1], numbers[2]);
    return line;
}

HostFacts ReadHostFacts() {
    HostFacts facts;
    char name[kNameBuffer] = {};
    if (gethostname(name, sizeof name - 1) == 0) facts.computerName = name;

    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name) {
        facts.userName = Cut(found->pw_name, kNameBuffer - 1);
    }

    utsname system{};
    if (uname(&system) == 0) {
        facts.machine = system.machine;
        facts.kernelRelease = system.release;
    }
    std::string osRelease = ReadFile("/etc/os-release");
    if (osRelease.empty()) osRelease = ReadFile("/usr/lib/os-release");
    facts.osName = PrettyNameFromOsRelease(osRelease);
    if (facts.osName.empty()) facts.osName = "Linux";
    return facts;
}

HostInformation FormatHostInformation(const HostFacts& facts, const std::string& title,
                                      const std::string& libraryVersion) {
    char library[kHostLineMax + 1];
    std::snprintf(library, sizeof library, "%s: %-14s%s", "Library", "libpcap.so",
                  libraryVersion.empty() ? "not present" : libraryVersion.c_str());
    // Every line is built whole, never assigned into an existing string: GCC 12 at -O3 takes
    // such an assignment of a short literal for an overlapping copy and warns (-Wrestrict).
    return HostInformation{
        NamedLine("Computer name", facts.computerName),
        NamedLine("User name", facts.userName),
        FormatProcessor(facts.machine),
        FormatOsPlatform(facts.osName, facts.kernelRelease),
        std::string(1, ' '),
        // "%s  " then "%s %s": the title and the version are three blanks apart.
        Cut(title + "  " + " " + programVersion, kHostLineMax),
        std::string(library),
    };
}

HostInformation CollectHostInformation(const std::string& title, const std::string& libraryVersion) {
    return FormatHostInformation(ReadHostFacts(), title, libraryVersion);
}

}  // namespace zentrel
