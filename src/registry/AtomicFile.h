#pragma once
// Whole-file reads and crash-safe whole-file replacement. The only place that knows how the
// operating system makes a rename durable.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace zentrel {

// Reads at most maxBytes from the start of the file. False when the file cannot be opened or
// read (a directory in its place, an I/O error); `out` is then empty.
bool ReadFilePrefix(const std::filesystem::path& path, std::size_t maxBytes, std::vector<std::uint8_t>& out);

// Writes the bytes to a new file in the same directory (owner read/write only), flushes it to
// disk and renames it over `path`, so that a reader sees either the old or the new content,
// never a mixture or a truncated file. On failure `path` is left as it was.
bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

}  // namespace zentrel
