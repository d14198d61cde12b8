#pragma once
// The command line's edge for the core's 8-bit texts (base/TextCodec.h): arguments come in
// the locale's character set and become Latin-1; core texts go out as UTF-8.
#include <string>

namespace zentrel::cli {

// An argument as the core's 8-bit text. Under a UTF-8 locale, and under the C and POSIX locales
// (which name no character set beyond ASCII, while terminals send UTF-8), it is read as UTF-8;
// under any other locale in that locale's character set. A byte that begins no character of the
// set stands for itself, so text that already is 8-bit passes unchanged. False when a character
// lies beyond Latin-1; the caller refuses the argument then.
bool ArgumentText(const std::string& argument, std::string& text);

// A core text (stored in plc.data, OEMPrefs.dat, OUIList.txt, or sent by a device) as UTF-8 for
// standard output and standard error, read as Windows-1252.
std::string OutputText(const std::string& text);
// The same as a JSON string literal; control characters escaped.
std::string JsonString(const std::string& text);

}  // namespace zentrel::cli
