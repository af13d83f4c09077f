#include "tools/ArgumentParser.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace calderine {
namespace {

RenderOptions parse(const std::vector<std::string_view>& arguments) {
    return ArgumentParser{}.parse(arguments);
}

TEST(ArgumentParser, AcceptsTheDocumentedForms) {
    struct Case {
        std::vector<std::string_view> arguments;
        RenderAction action;
        std::optional<std::string> module;
    };
    const Case cases[] = {
        {{"--info"}, RenderAction::Info, std::nullopt},
        {{"--info", "some/effect.so"}, RenderAction::Info, "some/effect.so"},
        {{"some/effect.so", "--info"}, RenderAction::Info, "some/effect.so"},
        {{"--help"}, RenderAction::Help, std::nullopt},
        {{"-h"}, RenderAction::Help, std::nullopt},
        // Asking for help wins over everything else on the line, even mistakes.
        {{"--info", "--bogus", "--help"}, RenderAction::Help, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const RenderOptions options = parse(c.arguments);
        EXPECT_EQ(options.action, c.action);
        EXPECT_EQ(options.modulePath.has_value(), c.module.has_value());
        if (c.module) {
            EXPECT_EQ(options.modulePath->string(), *c.module);
        }
    }
}

TEST(ArgumentParser, RefusesWhatItCannotDoWithAReason) {
    struct Case {
        std::vector<std::string_view> arguments;
        const char* fragment;
    };
    const Case cases[] = {
        {{}, "nothing to do"},
        {{"effect.so"}, "nothing to do"},
        {{"--info", "a.so", "b.so"}, "one module"},
        {{"--info", "--info"}, "twice"},
        {{"--info", "--stems"}, "unknown option '--stems'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        try {
            parse(c.arguments);
            ADD_FAILURE() << "accepted";
        } catch (const UsageError& error) {
            EXPECT_NE(std::string(error.what()).find(c.fragment), std::string::npos)
                << error.what();
        }
    }
}

} // namespace
} // namespace calderine
