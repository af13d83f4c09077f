#include "tools/render/common/TextForms.h"

namespace calderine {

std::string quoted(const std::filesystem::path& path) {
    // Appended step by step: GCC 12 reports a false -Wrestrict for "'" + std::string at -O3.
    std::string text(1, '\'');
    text += path.string();
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
