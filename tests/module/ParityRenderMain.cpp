// calderine_parity_render MODULE OUTPUT: renders the fixed parity signal through MODULE at every
// compared sample rate and writes the tracks to OUTPUT, as the reference for a render of another
// build of the module.
#include "tests/module/ParityRender.h"

#include <exception>
#include <iostream>
#include <memory>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: calderine_parity_render MODULE OUTPUT\n";
        return 2;
    }
    try {
        const auto module = std::make_shared<const calderine::PluginModule>(argv[1]);
        calderine::parity::writeTracks(argv[2], calderine::parity::renderAllRates(module));
    } catch (const std::exception& error) {
        std::cerr << "calderine_parity_render: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
