// The one description of calderine-render's options: how each is spelled, whether it takes a
// value, where it applies, what --help says of it and what it sets. Parsing, the refusal of
// repeats and of options out of place, and --help all read it.
#pragma once

#include "tools/render/commandline/CommandLine.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace calderine {

struct OptionEntry {
    std::string_view name;  // "--quiet"
    std::string_view alias; // "-q", or empty
    // What --help shows after the name ("NAME=VALUE", "[DIR]"); empty for a flag. A value in
    // brackets is an operand the mode takes, not a value of the option.
    std::string_view placeholder;
    bool takesValue;
    bool repeatable;
    unsigned appliesIn; // OptionContext bits
    // For --help, wrapped to the terminal width; "{}" stands for detail().
    std::string_view help;
    std::string (*detail)(); // may be null
    // Writes what the option asks for; throws UsageError for a value it cannot take. Null for
    // --help and --version, which stand alone.
    void (*take)(CommandLine& line, std::string_view value);
    // What an option that stands alone answers.
    std::optional<RenderAction> answers;
};

class OptionTable {
public:
    static std::span<const OptionEntry> entries();
    // The entry spelled `name` or `alias`, or null.
    static const OptionEntry* find(std::string_view spelled);
    // One line or more per option: "  --set NAME=VALUE   set a parameter ...".
    static std::string helpText();
};

} // namespace calderine
