// Settings files: the NAME=VALUE lines of --set, one a line, with blank lines and lines
// starting with '#' ignored. Files come from anywhere: a UTF-8 byte-order mark and CRLF line
// ends are accepted, and a line or a file far longer than any settings file is refused. A value is
// the text an effect shows for the setting, with its unit when it shows a number ("Tone_Gain=-6.0
// dB", "StereoMode=M/S"), so a saved file reads back to the same display texts.
#pragma once

#include "tools/render/settings/ParameterAssignment.h"
#include "tools/render/settings/ParameterResolver.h"

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace calderine {

// A settings file that cannot be used; the message starts with "FILE:LINE: " where a line is
// at fault. A ParameterError, so that it is reported as a mistake in what was asked for.
class PresetError : public ParameterError {
public:
    explicit PresetError(const std::string& message) : ParameterError(message) {}
};

// One NAME=VALUE line of a settings file and where it is: "FILE:LINE".
struct PresetLine {
    ParameterAssignment assignment;
    std::string origin;
};

// One parameter as the effect shows it.
struct Setting {
    std::string name;
    std::string display;
    std::string label; // the unit, empty when the effect gives none
};

class PresetFile {
public:
    // The assignments of a settings text, each with its origin "SOURCE:LINE" (made printable);
    // throws PresetError for a line that is not NAME=VALUE or is too long to be a setting.
    static std::vector<PresetLine> parse(std::string_view text, std::string_view source);
    // Throws PresetError when the file cannot be read, is too large, or does not end in time
    // (a FIFO or a device).
    static std::vector<PresetLine> read(const std::filesystem::path& path);

    // "Tone_Gain=-6.0 dB": the unit follows a number only, never a word such as "mute".
    static std::string line(const Setting& setting);
    // Every setting, one line each, after the comment lines of `heading` (may be empty).
    static void write(std::ostream& out, const std::vector<Setting>& settings,
                      const std::string& heading);
};

} // namespace calderine
