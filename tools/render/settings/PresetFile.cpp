#include "tools/render/settings/PresetFile.h"

#include "tools/render/common/NumberText.h"

#include <fstream>
#include <sstream>

namespace calderine {

namespace {

constexpr std::string_view kBlanks = " \t\r";
constexpr char kComment = '#';

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

} // namespace

std::vector<PresetLine> PresetFile::parse(std::istream& text, const std::string& source) {
    std::vector<PresetLine> lines;
    std::string raw;
    for (int number = 1; std::getline(text, raw); ++number) {
        const std::string_view content = trimmed(raw);
        if (content.empty() || content.front() == kComment) {
            continue;
        }
        const std::string origin = source + ":" + std::to_string(number);
        const auto equals = content.find('=');
        if (equals == std::string_view::npos) {
            throw PresetError(origin + ": expected NAME=VALUE, got '" + std::string(content) + "'");
        }
        const std::string_view name = trimmed(content.substr(0, equals));
        const std::string_view value = trimmed(content.substr(equals + 1));
        if (name.empty() || value.empty()) {
            throw PresetError(origin + ": expected NAME=VALUE with both given, got '" +
                              std::string(content) + "'");
        }
        PresetLine& line = lines.emplace_back();
        line.assignment.parameter = name;
        line.assignment.value = value;
        line.origin = origin;
    }
    return lines;
}

std::vector<PresetLine> PresetFile::read(const std::filesystem::path& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        throw PresetError("cannot read the preset '" + path.string() + "': it is a folder");
    }
    std::ifstream in(path);
    if (!in) {
        throw PresetError("cannot read the preset '" + path.string() + "': no such file");
    }
    auto lines = parse(in, path.string());
    if (in.bad()) {
        throw PresetError("cannot read the preset '" + path.string() + "'");
    }
    return lines;
}

std::string PresetFile::line(const Setting& setting) {
    std::string text = setting.name + "=" + setting.display;
    if (!setting.label.empty() && parseNumber(setting.display)) {
        text += " " + setting.label;
    }
    return text;
}

void PresetFile::write(std::ostream& out, const std::vector<Setting>& settings,
                       const std::string& heading) {
    std::istringstream comments(heading);
    for (std::string comment; std::getline(comments, comment);) {
        out << kComment << ' ' << comment << '\n';
    }
    for (const Setting& setting : settings) {
        out << line(setting) << '\n';
    }
}

} // namespace calderine
