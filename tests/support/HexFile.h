#pragma once
// Golden frames under tests/data are hex text: bytes as two hex digits separated by blanks or
// line breaks, lines starting with '#' are comments. A file that is missing or has anything else
// in it gives no bytes, so the comparison fails. HexOf writes lower-case hex without blanks.
#include <cstdint>
#include <fstream>
#include <sstream>
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

inline std::vector<std::uint8_t> ReadHexFile(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::uint8_t> bytes;
    std::string line, token;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        while (words >> token) {
            if (token.size() != 2 || token.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos) return {};
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(token, nullptr, 16)));
        }
    }
    return bytes;
}

}  // namespace zentrel::test
