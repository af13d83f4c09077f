#include "tools/render/settings/PresetFile.h"

#include "tools/render/common/NumberText.h"
#include "tools/render/common/TextForms.h"
#include "tools/render/settings/BoundedRead.h"

#include <cerrno>
#include <chrono>
#include <sstream>
#include <system_error>

namespace calderine {

namespace {

constexpr std::string_view kBlanks = " \t\r";
constexpr char kComment = '#';
// Editors on some systems start UTF-8 files with it; it is no part of the first name.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Marks[] = {"\xFF\xFE", "\xFE\xFF"};
// The longest setting line is some 40 bytes; the file of all ten of them under 1 KiB.
constexpr std::size_t kMaxLineBytes = 4096;
constexpr std::size_t kMaxFileBytes = 1024 * 1024;
// A file (a FIFO, a terminal) still open after this has no one writing a preset to it.
constexpr std::chrono::seconds kReadTimeout{5};

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string readProblem(const std::system_error& error) {
    switch (error.code().value()) {
    case ENOENT:
        return "no such file";
    case EISDIR:
        return "it is a folder";
    case ETIMEDOUT:
        return "it did not end within " + std::to_string(kReadTimeout.count()) + " seconds";
    default:
        return error.code().message();
    }
}

} // namespace

std::vector<PresetLine> PresetFile::parse(std::string_view text, std::string_view source) {
    const std::string shownSource = printable(source);
    for (const std::string_view mark : kUtf16Marks) {
        if (text.starts_with(mark)) {
            throw PresetError(shownSource + ":1: the file is UTF-16; save it as UTF-8");
        }
    }
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    std::vector<PresetLine> lines;
    for (int number = 1; !text.empty(); ++number) {
        const auto end = text.find('\n');
        const std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::string origin = shownSource + ":" + std::to_string(number);
        if (raw.size() > kMaxLineBytes) {
            throw PresetError(origin + ": a line longer than " + std::to_string(kMaxLineBytes) +
                              " bytes; a setting is one short NAME=VALUE line");
        }
        const std::string_view content = trimmed(raw);
        if (content.empty() || content.front() == kComment) {
            continue;
        }
        const auto equals = content.find('=');
        if (equals == std::string_view::npos) {
            throw PresetError(origin + ": expected NAME=VALUE, got '" + printable(content) + "'");
        }
        const std::string_view name = trimmed(content.substr(0, equals));
        const std::string_view value = trimmed(content.substr(equals + 1));
        if (name.empty() || value.empty()) {
            throw PresetError(origin + ": expected NAME=VALUE with both given, got '" +
                              printable(content) + "'");
        }
        PresetLine& line = lines.emplace_back();
        line.assignment.parameter = name;
        line.assignment.value = value;
        line.origin = origin;
    }
    return lines;
}

std::vector<PresetLine> PresetFile::read(const std::filesystem::path& path) {
    BoundedText text;
    try {
        text = readBounded(path, kMaxFileBytes, kReadTimeout);
    } catch (const std::system_error& error) {
        throw PresetError("cannot read the preset " + quoted(path) + ": " + readProblem(error));
    }
    if (!text.complete) {
        // A short line cut off at the limit is no mistake of the file's; a long one is named.
        const auto lastLine = text.bytes.rfind('\n') + 1; // 0 where there is no newline
        if (text.bytes.size() - lastLine <= kMaxLineBytes) {
            text.bytes.resize(lastLine);
        }
        parse(text.bytes, path.string());
        throw PresetError("the preset " + quoted(path) + " is larger than " +
                          std::to_string(kMaxFileBytes / 1024) + " KiB; no settings file is");
    }
    return parse(text.bytes, path.string());
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
