// Hosts pass garbage. Whatever number, index or value arrives, the instance survives it and
// keeps answering as before; the sanitizer build turns any stray access into a failure.
#include "tests/support/BuiltModule.h"
#include "tests/support/RecordingHost.h"
#include "tools/vsthost/HostedEffect.h"

#include <climits>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

namespace calderine {
namespace {

constexpr std::int32_t kOpcodeSweepFirst = -2;
constexpr std::int32_t kOpcodeSweepLast = 82;
constexpr std::size_t kBufferBytes = 1024;
constexpr std::int32_t kParameterCount = 10;
// Kept at a real rate: the sweep is about numbers, indexes and values.
constexpr float kSaneOpt = 44100.0f;

const std::vector<std::int32_t> kGarbageIndexes = {INT_MIN, -1, 0, 9, 10, INT_MAX};
const std::vector<std::intptr_t> kGarbageValues = {INTPTR_MIN, INT_MIN, -1,      0,
                                                   1,          4096,    INT_MAX, INTPTR_MAX};

std::vector<std::int32_t> sweptOpcodes() {
    std::vector<std::int32_t> opcodes = {INT_MIN, INT_MAX, 1000};
    for (std::int32_t opcode = kOpcodeSweepFirst; opcode <= kOpcodeSweepLast; ++opcode) {
        // effClose ends the instance; it is tested on its own.
        if (opcode != effClose) {
            opcodes.push_back(opcode);
        }
    }
    return opcodes;
}

void expectStillSane(HostedEffect& effect, const RecordingHost& host) {
    EXPECT_EQ(effect.record().magic, kEffectMagic);
    EXPECT_EQ(effect.record().numParams, kParameterCount);
    EXPECT_EQ(effect.dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(effect.dispatch(effGetProgram), 0);
    // Nothing that arrived made the effect call its host.
    EXPECT_EQ(host.calls().size(), 1u);
}

TEST(HostileInput, NullPointersEverywhere) {
    RecordingHost host;
    HostedEffect effect(builtModule(), host);
    for (const std::int32_t opcode : sweptOpcodes()) {
        for (const std::int32_t index : kGarbageIndexes) {
            effect.dispatch(opcode, index, 0, nullptr, kSaneOpt);
        }
    }
    expectStillSane(effect, host);
    EXPECT_EQ(effect.close(), 1);
}

TEST(HostileInput, GarbageNumbersIndexesAndValues) {
    RecordingHost host;
    HostedEffect effect(builtModule(), host);
    for (const std::int32_t opcode : sweptOpcodes()) {
        SCOPED_TRACE(opcode);
        for (const std::int32_t index : kGarbageIndexes) {
            for (const std::intptr_t value : kGarbageValues) {
                // This value is the address the effect writes to, which no receiver can
                // check; the null address is covered.
                if (opcode == effGetSpeakerArrangement && value != 0) {
                    continue;
                }
                // A zeroed buffer of exact size: reads see an empty text, and a write past
                // its end is caught by the sanitizer.
                std::vector<char> buffer(kBufferBytes, 0);
                effect.dispatch(opcode, index, value, buffer.data(), kSaneOpt);
            }
        }
    }
    expectStillSane(effect, host);
    EXPECT_EQ(effect.close(), 1);
}

TEST(HostileInput, ParameterEntriesIgnoreIndexesOutOfRange) {
    RecordingHost host;
    HostedEffect effect(builtModule(), host);
    std::vector<float> before;
    for (std::int32_t index = 0; index < kParameterCount; ++index) {
        before.push_back(effect.parameter(index));
    }
    const std::int32_t outside[] = {INT_MIN, -1, kParameterCount, kParameterCount + 1, INT_MAX};
    const float values[] = {-1.0f, 0.0f, 0.5f, 1.0f, 2.0f};
    for (const std::int32_t index : outside) {
        SCOPED_TRACE(index);
        for (const float value : values) {
            effect.setParameter(index, value);
        }
        EXPECT_EQ(effect.parameter(index), 0.0f);
    }
    for (std::int32_t index = 0; index < kParameterCount; ++index) {
        EXPECT_EQ(effect.parameter(index), before[static_cast<std::size_t>(index)]) << index;
    }
    expectStillSane(effect, host);
}

} // namespace
} // namespace calderine
