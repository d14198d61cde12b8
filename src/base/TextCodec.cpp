#include "base/TextCodec.h"

#include <cstdint>

namespace zentrel {
namespace {

// Windows-1252 at 0x80..0x9F; the unassigned 0x81, 0x8D, 0x8F, 0x90 and 0x9D keep their number.
constexpr char16_t kHighControls[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Length of the well-formed UTF-8 sequence at `at` and its code point; 0 when there is none.
std::size_t Utf8Sequence(std::string_view s, std::size_t at, std::uint32_t& cp) {
    const auto c = static_cast<unsigned char>(s[at]);
    const std::size_t len = c < 0x80             ? 1
                            : (c & 0xE0) == 0xC0 ? 2
                            : (c & 0xF0) == 0xE0 ? 3
                            : (c & 0xF8) == 0xF0 ? 4
                                                 : 0;
    if (len == 0 || at + len > s.size()) return 0;
    cp = len == 1 ? c : c & (0x7Fu >> len);
    for (std::size_t k = 1; k < len; ++k) {
        const auto next = static_cast<unsigned char>(s[at + k]);
        if ((next & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (next & 0x3Fu);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    static constexpr std::uint32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

}  // namespace

std::string Windows1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        AppendUtf8(out, c >= 0x80 && c < 0xA0 ? std::uint32_t{kHighControls[c - 0x80]} : std::uint32_t{c});
    }
    return out;
}

bool Utf8ToLatin1(std::string_view utf8, std::string& out) {
    out.clear();
    bool fits = true;
    for (std::size_t i = 0; i < utf8.size();) {
        std::uint32_t cp = 0;
        const std::size_t len = Utf8Sequence(utf8, i, cp);
        if (len == 0) {
            out += utf8[i++];
            continue;
        }
        i += len;
        if (cp > 0xFF) {
            fits = false;
            cp = '?';
        }
        out += static_cast<char>(static_cast<unsigned char>(cp));
    }
    return fits;
}

}  // namespace zentrel
