// Small text forms that every message of the tool writes alike.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace calderine {

// A path as messages name it: in single quotes, as given.
std::string quoted(const std::filesystem::path& path);

// ASCII letters lowered, whatever the process locale: names, units and extensions are
// compared this way.
std::string lowerCase(std::string_view text);

// "1 file", "2 files": a count with its noun, plural by appending "s".
std::string counted(long long count, std::string_view noun);

} // namespace calderine
