// The host library against modules that are missing, broken or unusual.
#include "tools/vsthost/PluginModule.h"

#include "tests/support/RecordingHost.h"
#include "tools/vsthost/HostError.h"
#include "tools/vsthost/HostedEffect.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace calderine {
namespace {

std::filesystem::path notAModule() {
    const auto path = std::filesystem::temp_directory_path() /
                      ("calderine-not-a-module-" + std::to_string(::getpid()) + ".so");
    std::ofstream(path) << "this is text, not a shared library\n";
    return path;
}

void expectHostError(const std::function<void()>& action, const std::string& fragment) {
    try {
        action();
        ADD_FAILURE() << "no HostError; expected one mentioning \"" << fragment << '"';
    } catch (const HostError& error) {
        EXPECT_NE(std::string(error.what()).find(fragment), std::string::npos) << error.what();
    }
}

TEST(PluginModule, RefusesWhatIsNotAModuleWithAReason) {
    struct Case {
        std::filesystem::path path;
        const char* fragment;
    };
    const auto garbage = notAModule();
    const Case cases[] = {
        {"/nonexistent/calderine.so", "no module file at '/nonexistent/calderine.so'"},
        {std::filesystem::temp_directory_path(), "no module file"},
        {garbage, "cannot load module"},
        {CALDERINE_FAKE_NO_ENTRY_MODULE, "exports neither VSTPluginMain nor main"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.string());
        expectHostError([&] { PluginModule module(c.path); }, c.fragment);
    }
    std::filesystem::remove(garbage);
}

TEST(PluginModule, OpensARelativePathFromTheWorkingDirectory) {
    const std::filesystem::path absolute = CALDERINE_FAKE_CHATTY_MODULE;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(absolute.parent_path());
    // The loader alone would search its library path for a bare name and miss the file.
    PluginModule module(absolute.filename());
    std::filesystem::current_path(previous);
    // absolute() as well: on Windows a path from the root still lacks its drive.
    EXPECT_EQ(module.path(), std::filesystem::absolute(absolute));
    EXPECT_EQ(module.entryName(), "VSTPluginMain");
}

TEST(PluginModule, FallsBackToTheOldEntryName) {
    PluginModule module(CALDERINE_FAKE_NULL_MAIN_MODULE);
    EXPECT_EQ(module.entryName(), "main");
    EXPECT_NE(module.entry(), nullptr);
}

TEST(HostedEffect, RefusesAnEntryPointThatReturnsNoRecord) {
    auto module = std::make_shared<const PluginModule>(CALDERINE_FAKE_NULL_MAIN_MODULE);
    expectHostError([&] { HostedEffect effect(module); }, "returned no effect");

    RecordingHost host;
    EXPECT_EQ(host.instantiate(module->entry()), nullptr);
    ASSERT_EQ(host.calls().size(), 1u);
    EXPECT_EQ(host.calls()[0].opcode, audioMasterVersion);
}

TEST(HostedEffect, RefusesARecordWithoutTheMagicNumber) {
    auto module = std::make_shared<const PluginModule>(CALDERINE_FAKE_BAD_MAGIC_MODULE);
    expectHostError([&] { HostedEffect effect(module); }, "magic number");
}

class ChattyModule : public ::testing::Test {
protected:
    std::shared_ptr<const PluginModule> module =
        std::make_shared<const PluginModule>(CALDERINE_FAKE_CHATTY_MODULE);
};

TEST_F(ChattyModule, RoutesEachRequestToTheHostOfTheRecordThatMadeIt) {
    const auto unroutedBefore = RecordingHost::unroutedCallCount();
    constexpr std::intptr_t kOldHost = 1;
    RecordingHost currentHost;
    RecordingHost oldHost(kOldHost);
    HostedEffect current(module, currentHost);
    HostedEffect old(module, oldHost);

    // The chatty effect asks its host for the version when asked for its own.
    EXPECT_EQ(current.dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(old.dispatch(effGetVstVersion), kOldHost);
    EXPECT_EQ(old.dispatch(77, 5, -6, nullptr, 0.25f), 0);

    const auto currentCalls = currentHost.calls();
    ASSERT_EQ(currentCalls.size(), 1u);
    EXPECT_EQ(currentCalls[0].effect, &current.record());

    const auto oldCalls = oldHost.calls();
    ASSERT_EQ(oldCalls.size(), 2u);
    EXPECT_EQ(oldCalls[1].effect, &old.record());
    EXPECT_EQ(oldCalls[1].opcode, 77);
    EXPECT_EQ(oldCalls[1].index, 5);
    EXPECT_EQ(oldCalls[1].value, -6);
    EXPECT_EQ(oldCalls[1].opt, 0.25f);

    EXPECT_EQ(RecordingHost::unroutedCallCount(), unroutedBefore);
}

TEST_F(ChattyModule, ThePlainHostSpeaksVersion2400AndSupportsNothingElse) {
    HostedEffect effect(module);
    // The chatty effect passes on its host's answers: to the version request, then to an
    // opcode no host knows.
    EXPECT_EQ(effect.dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(effect.dispatch(77, 5, -6, nullptr, 0.25f), 0);
}

TEST_F(ChattyModule, CloseReturnsTheAnswerAndEndsTheInstance) {
    RecordingHost host;
    HostedEffect effect(module, host);
    EXPECT_EQ(effect.close(), 1);
    EXPECT_FALSE(effect.isOpen());
    // The request made while closing still reached this host.
    ASSERT_EQ(host.calls().size(), 1u);
    EXPECT_EQ(host.calls()[0].opcode, effClose);
    EXPECT_THROW(effect.record(), HostError);
    EXPECT_THROW(effect.dispatch(effGetVstVersion), HostError);
    EXPECT_THROW(effect.close(), HostError);
}

TEST_F(ChattyModule, RefusesProcessingTheRecordDoesNotOffer) {
    HostedEffect effect(module);
    FloatChannels in;
    FloatChannels out;
    expectHostError([&] { effect.processReplacing(in, out); }, "does not offer processReplacing");
}

} // namespace
} // namespace calderine
