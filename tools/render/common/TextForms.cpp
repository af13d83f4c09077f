#include "tools/render/common/TextForms.h"

namespace calderine {

namespace {

// The length of the well-formed UTF-8 sequence at the front of text, or 0 (overlong forms,
// surrogates and values beyond U+10FFFF are not well-formed).
std::size_t utf8Sequence(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    }
    if (length == 0 || text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

// As utf8Sequence, but 0 for the C1 controls U+0080..U+009F too: some terminals take U+009B
// as the start of a command, as they take ESC [.
std::size_t printableSequence(std::string_view text) {
    const std::size_t length = utf8Sequence(text);
    const bool control = length == 2 && static_cast<unsigned char>(text[0]) == 0xC2 &&
                         static_cast<unsigned char>(text[1]) < 0xA0;
    return control ? 0 : length;
}

} // namespace

std::string printable(std::string_view text) {
    constexpr char kHex[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            shown += static_cast<char>(c);
            ++i;
        } else if (c == '\\') {
            shown += "\\\\";
            ++i;
        } else if (c == '\n') {
            shown += "\\n";
            ++i;
        } else if (c == '\t') {
            shown += "\\t";
            ++i;
        } else if (const std::size_t length = c >= 0x80 ? printableSequence(text.substr(i)) : 0) {
            shown.append(text.substr(i, length));
            i += length;
        } else {
            shown += "\\x";
            shown += kHex[c >> 4];
            shown += kHex[c & 0xF];
            ++i;
        }
    }
    return shown;
}

std::string quoted(const std::filesystem::path& path) {
    // Appended step by step: GCC 12 reports a false -Wrestrict for "'" + std::string at -O3.
    std::string text(1, '\'');
    text += printable(path.string());
    text += '\'';
    return text;
}

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

std::string counted(long long count, std::string_view noun) {
    std::string text = std::to_string(count);
    text += ' ';
    text += noun;
    if (count != 1) {
        text += 's';
    }
    return text;
}

} // namespace calderine
