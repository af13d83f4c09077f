// Command lines the argument parser must refuse, each with a fragment its message must hold.
#pragma once

#include "tools/render/commandline/ArgumentParser.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

namespace calderine::testing {

struct Refusal {
    std::vector<std::string_view> arguments;
    const char* fragment;
};

inline void expectEveryRefused(const std::vector<Refusal>& cases) {
    for (const Refusal& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        try {
            ArgumentParser{}.parse(c.arguments);
            ADD_FAILURE() << "accepted";
        } catch (const UsageError& error) {
            EXPECT_NE(std::string(error.what()).find(c.fragment), std::string::npos)
                << error.what();
        }
    }
}

} // namespace calderine::testing
