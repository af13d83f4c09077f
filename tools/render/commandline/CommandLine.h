// What the options of one command line ask for, gathered before the operands are matched to an
// action; the option table's entries write into it.
#pragma once

#include "tools/render/commandline/RenderOptions.h"
#include "tools/render/settings/PresetFile.h"

#include <filesystem>
#include <string_view>
#include <vector>

namespace calderine {

// The modes a command line can ask for, as bits: where an option applies.
enum OptionContext : unsigned {
    kInRender = 1u << 0,      // INPUT OUTPUT
    kInBatch = 1u << 1,       // INPUT... --output-dir DIR
    kInDemo = 1u << 2,        // --demo [DIR]
    kInInfo = 1u << 3,        // --info [PLUGIN]
    kInSavePreset = 1u << 4,  // --save-preset FILE alone
    kInListPlugins = 1u << 5, // --list-plugins
    kInAnything = (1u << 6) - 1,
};

struct CommandLine {
    RenderOptions options;
    bool info = false;
    bool demo = false;
    bool listPlugins = false;
    std::vector<PresetLine> presetLines; // applied before every --set
    // Every option given, as its table entry names it, in the order given.
    std::vector<std::string_view> given;
    std::vector<std::string_view> operands;
    // Folders a --preset NAME is looked up in, nearest first.
    std::vector<std::filesystem::path> presetFolders;
};

} // namespace calderine
