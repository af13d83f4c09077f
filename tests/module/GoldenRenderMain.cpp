// calderine_golden_render MODULE FOLDER [CASE...]: renders the golden cases (all of them, or the
// ones named) through MODULE and writes their excerpts into FOLDER, replacing what is there.
// Run it only to change the sound on purpose; the commit that updates the files says why.
#include "tests/module/GoldenRender.h"

#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: calderine_golden_render MODULE FOLDER [CASE...]\n";
        return 2;
    }
    try {
        const auto module = std::make_shared<const calderine::PluginModule>(argv[1]);
        std::vector<std::string> names(argv + 3, argv + argc);
        if (names.empty()) {
            names = calderine::golden::caseNames();
        }
        for (const std::string& name : names) {
            calderine::golden::writeCase(argv[2], calderine::golden::renderCase(module, name));
            std::cout << name << '\n';
        }
    } catch (const std::exception& error) {
        std::cerr << "calderine_golden_render: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
