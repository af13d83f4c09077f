// "-" in place of a file name: standard input as INPUT, standard output as OUTPUT or preset,
// as sox and most command-line tools read it.
#pragma once

#include <filesystem>
#include <string_view>

namespace calderine {

inline constexpr std::string_view kStandardStreamName = "-";

inline bool isStandardStream(const std::filesystem::path& path) {
    return path.native() == kStandardStreamName;
}

} // namespace calderine
