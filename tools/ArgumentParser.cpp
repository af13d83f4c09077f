#include "tools/ArgumentParser.h"

#include <vector>

namespace calderine {

namespace {

constexpr std::string_view kInfoOption = "--info";
constexpr std::string_view kHelpOption = "--help";
constexpr std::string_view kShortHelpOption = "-h";

bool isOption(std::string_view argument) {
    return argument.size() > 1 && argument[0] == '-';
}

} // namespace

std::string ArgumentParser::usage() {
    return "usage: calderine-render --info [PLUGIN]\n"
           "       calderine-render --help\n"
           "\n"
           "  --info [PLUGIN]  print what a host sees of the VST 2.4 module PLUGIN\n"
           "                   (default: the calderine module of this build)\n"
           "  --help, -h       print this text\n";
}

RenderOptions ArgumentParser::parse(std::span<const std::string_view> arguments) const {
    // Whoever asks for help gets it, whatever else is wrong with the line.
    for (const std::string_view argument : arguments) {
        if (argument == kHelpOption || argument == kShortHelpOption) {
            return RenderOptions{};
        }
    }
    RenderOptions options;
    bool actionGiven = false;
    std::vector<std::string_view> operands;
    for (const std::string_view argument : arguments) {
        if (argument == kInfoOption) {
            if (actionGiven) {
                throw UsageError("--info given twice");
            }
            options.action = RenderAction::Info;
            actionGiven = true;
        } else if (isOption(argument)) {
            throw UsageError("unknown option '" + std::string(argument) + "'");
        } else {
            operands.push_back(argument);
        }
    }
    if (!actionGiven) {
        throw UsageError("nothing to do: give --info");
    }
    if (operands.size() > 1) {
        throw UsageError("--info takes one module, got " + std::to_string(operands.size()));
    }
    if (!operands.empty()) {
        options.modulePath = std::filesystem::path(operands.front());
    }
    return options;
}

} // namespace calderine
