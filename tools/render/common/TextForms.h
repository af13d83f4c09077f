// Small text forms that every message of the tool writes alike.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace calderine {

// A path as messages name it: in single quotes, as given, made printable (see printable).
std::string quoted(const std::filesystem::path& path);

// Text from outside (a module's names, a preset's bytes, a file name) made safe for a
// terminal and for one line of a message: control characters, a backslash and bytes that are
// not UTF-8 are written as C escapes (\n, \t, \\, \x1b), so nothing reaches the terminal as a
// command or forges a line; well-formed UTF-8 passes unchanged.
std::string printable(std::string_view text);

// ASCII letters lowered, whatever the process locale: names, units and extensions are
// compared this way.
std::string lowerCase(std::string_view text);

// "1 file", "2 files": a count with its noun, plural by appending "s".
std::string counted(long long count, std::string_view noun);

} // namespace calderine
