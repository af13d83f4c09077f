// Each built module must export its format's entry point and nothing else: any further dynamic
// symbol could collide with the host's or another plug-in's.
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <sstream>
#include <string>

namespace {

// Dynamic symbols defined by the module, as `nm -D --defined-only` lists them.
std::set<std::string> definedDynamicSymbols(const std::string& module) {
    const std::string command =
        std::string("\"") + CALDERINE_NM_PATH + "\" -D --defined-only \"" + module + "\"";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), &pclose);
    std::set<std::string> symbols;
    if (!pipe)
        return symbols;
    char line[512];
    while (std::fgets(line, sizeof line, pipe.get()) != nullptr) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name)
            symbols.insert(name);
    }
    return symbols;
}

TEST(ModuleExportsTest, EachModuleExportsExactlyItsEntry) {
    const struct {
        const char* module;
        std::set<std::string> entries;
    } kModules[] = {
        {CALDERINE_MODULE_PATH, {"VSTPluginMain", "main"}},
        {CALDERINE_LV2_MODULE_PATH, {"lv2_descriptor"}},
        {CALDERINE_CLAP_MODULE_PATH, {"clap_entry"}},
    };
    for (const auto& row : kModules) {
        EXPECT_EQ(definedDynamicSymbols(row.module), row.entries) << row.module;
    }
}

} // namespace
