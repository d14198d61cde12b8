#pragma once
// Reference results from another implementation: python3's hashlib, run as a child process.
// Inputs go over the command line hex-encoded, so every byte value survives.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace zentrel::test {

inline std::string HexOf(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

inline bool HavePython() { return std::system("python3 -c 'import hashlib' >/dev/null 2>&1") == 0; }

// Runs `script` with the hex-encoded inputs as arguments and returns its output lines.
inline std::vector<std::string> RunPython(const std::string& script, const std::vector<std::string>& inputs) {
    std::string command = "python3 -c '" + script + "'";
    for (const auto& in : inputs) command += " x" + HexOf(in);  // "x" keeps empty inputs as arguments
    std::vector<std::string> lines;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return lines;
    std::string current;
    for (int c; (c = std::fgetc(pipe)) != EOF;) {
        if (c == '\n') {
            lines.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(c);
        }
    }
    pclose(pipe);
    return lines;
}

// PBKDF1-SHA-256 with 1000 iterations and a 16-byte result, upper-case hex, for each text
// (up to its first zero byte, at most 64 bytes) under the given salt (hex).
inline std::vector<std::string> PythonPbkdf1(const std::string& saltHex, const std::vector<std::string>& texts) {
    return RunPython(
        "import hashlib,sys\n"
        "salt=bytes.fromhex(\"" + saltHex + "\")\n"
        "for a in sys.argv[1:]:\n"
        " t=bytes.fromhex(a[1:]).split(bytes(1))[0][:64]\n"
        " d=hashlib.sha256(t+salt).digest()\n"
        " for i in range(999): d=hashlib.sha256(d).digest()\n"
        " print(d[:16].hex().upper())",
        texts);
}

}  // namespace zentrel::test
