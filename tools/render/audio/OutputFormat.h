// Chooses the libsndfile format of an output file: the container the --format name or the
// output's extension names (else the input's own), and an encoding that container really
// writes, keeping the input's precision where it can.
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
    // The names of the formats this libsndfile writes, separated by ", ", for usage and error
    // texts; isKnown() accepts exactly these, in any case.
    static std::string knownNames();
    static bool isKnown(std::string_view name);

    // Why OUTPUT cannot be written as asked, or nothing when it can: an unknown or unwritable
    // format, an extension that names none, or standard output ("-") without a format that
    // streams. Needs no input, so a command line can be refused before any work.
    static std::optional<std::string> problem(const std::optional<std::string>& name,
                                              const std::filesystem::path& output);

    // Why --encoding (a subtype) cannot go into OUTPUT's container, or
    // nothing when it can or the container follows the input: a lossy container has its own
    // codec, and some lossless ones lack the sample type (flac has no floating point).
    static std::optional<std::string> encodingProblem(const std::optional<std::string>& name,
                                                      const std::filesystem::path& output,
                                                      int encoding);

    // Whether the format can be written to a pipe, which cannot seek back to complete a
    // header; tried on a scratch pipe, as PipeSoundFile writes it there.
    static bool streams(int format, const StreamShape& shape);
    // The names of the known formats that stream, separated by separator.
    static std::string streamingNames(const StreamShape& shape, std::string_view separator);

    // A libsndfile format code that can hold a stream of the given shape. encoding: a subtype
    // the user asked for (see SampleEncoding). Throws AudioFileError when none can.
    static int choose(int inputFormat, const StreamShape& shape,
                      const std::optional<std::string>& name, const std::filesystem::path& output,
                      std::optional<int> encoding = std::nullopt);
};

} // namespace calderine
