#pragma once
// The core keeps every text as it is stored in plc.data and OEMPrefs.dat and hashed into keys:
// 8 bits, one byte per character. Only the programs' edges convert, through these two calls:
// what the user types or passes as an argument becomes Latin-1, and stored text is read as
// Windows-1252 (the character set those files were written in) for display.
#include <string>
#include <string_view>

namespace zentrel {

// UTF-8 for display of an 8-bit text. Bytes 0x80..0x9F take their Windows-1252 characters; the
// five that code page leaves unassigned become the control character of the same number, as
// Windows shows them.
std::string Windows1252ToUtf8(std::string_view text);

// The 8-bit form of typed UTF-8 text: each character up to U+00FF becomes its own byte. A byte
// that begins no well-formed UTF-8 sequence stands for itself, so text that already is 8-bit
// passes unchanged. Returns false when a character lies beyond U+00FF; it becomes '?' in `out`.
bool Utf8ToLatin1(std::string_view utf8, std::string& out);

}  // namespace zentrel
