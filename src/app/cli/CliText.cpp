#include "cli/CliText.h"

#include <langinfo.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "base/TextCodec.h"

namespace zentrel::cli {
#ifdef __STDC_ISO_10646__
namespace {

enum class ArgumentSet { Utf8, Locale };

// Looked up once, without leaving the locale set: number formats and the like stay "C".
ArgumentSet SetOfArguments() {
    static const ArgumentSet set = [] {
        const char* current = std::setlocale(LC_CTYPE, nullptr);
        const std::string saved = current ? current : "C";
        ArgumentSet found = ArgumentSet::Utf8;
        if (std::setlocale(LC_CTYPE, "")) {
            const char* codeset = nl_langinfo(CODESET);
            if (std::strcmp(codeset, "UTF-8") != 0 && std::strcmp(codeset, "ANSI_X3.4-1968") != 0) {
                found = ArgumentSet::Locale;
            }
        }
        std::setlocale(LC_CTYPE, saved.c_str());
        return found;
    }();
    return set;
}

// Through the locale's own decoder: wchar_t holds Unicode code points on this platform.
bool LocaleToLatin1(const std::string& argument, std::string& text) {
    const char* current = std::setlocale(LC_CTYPE, nullptr);
    const std::string saved = current ? current : "C";
    std::setlocale(LC_CTYPE, "");
    text.clear();
    bool fits = true;
    std::mbstate_t state{};
    for (std::size_t i = 0; i < argument.size();) {
        wchar_t wc = 0;
        const std::size_t n = std::mbrtowc(&wc, argument.data() + i, argument.size() - i, &state);
        if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2) || n == 0) {
            text += argument[i++];
            state = std::mbstate_t{};
            continue;
        }
        i += n;
        const auto cp = static_cast<unsigned long>(wc);
        if (cp > 0xFF) fits = false;
        text += static_cast<char>(cp > 0xFF ? '?' : static_cast<unsigned char>(cp));
    }
    std::setlocale(LC_CTYPE, saved.c_str());
    return fits;
}

}  // namespace
#endif

bool ArgumentText(const std::string& argument, std::string& text) {
#ifdef __STDC_ISO_10646__
    if (SetOfArguments() == ArgumentSet::Locale) return LocaleToLatin1(argument, text);
#endif
    return Utf8ToLatin1(argument, text);
}

std::string OutputText(const std::string& text) {
    return Windows1252ToUtf8(text);
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += Windows1252ToUtf8(std::string_view(&ch, 1));
        }
    }
    return out + "\"";
}

}  // namespace zentrel::cli
