// Chooses the libsndfile format of an output file: the --format name if one was given, else
// the format the output's extension names, else the input's own format.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace calderine {

struct StreamShape {
    int channels = 0;
    int sampleRate = 0;
};

class OutputFormat {
public:
    // The names --format accepts, separated by ", ", for usage and error texts.
    static std::string knownNames();
    static bool isKnown(std::string_view name);

    // Whether libsndfile writes the format to a pipe, which cannot seek back to complete a
    // header; tried on a scratch pipe, as libsndfile decides it per container.
    static bool streams(int format, const StreamShape& shape);
    // The names of the known formats that stream, separated by separator.
    static std::string streamingNames(const StreamShape& shape, std::string_view separator);

    // A libsndfile format code that can hold a stream of the given shape; throws
    // AudioFileError when none can.
    static int choose(int inputFormat, const StreamShape& shape,
                      const std::optional<std::string>& name, const std::filesystem::path& output);
};

} // namespace calderine
