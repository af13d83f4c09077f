// A host callback for in-process tests: records every request and answers the version query
// with a configurable version. Function pointers cannot capture, so the state is static; each
// test resets it first.
#pragma once

#include "host/AEffect.h"
#include "host/VstConstants.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

namespace calderine::testing {

struct HostCall {
    AEffect* effect;
    std::int32_t opcode;
    std::int32_t index;
    std::intptr_t value;
    void* ptr;
    float opt;
};

struct RecordingHost {
    static inline std::vector<HostCall> calls;
    static inline std::intptr_t versionAnswer = 0;

    static void reset(std::intptr_t version) {
        calls.clear();
        versionAnswer = version;
    }

    static std::intptr_t CALDERINE_VST_CALL callback(AEffect* effect, std::int32_t opcode,
                                                     std::int32_t index, std::intptr_t value,
                                                     void* ptr, float opt) {
        calls.push_back({effect, opcode, index, value, ptr, opt});
        return opcode == audioMasterVersion ? versionAnswer : 0;
    }
};

// The one request an effect may make: the version query at creation, with a null record and
// all other arguments zero.
inline void expectVersionQuery(const HostCall& call) {
    EXPECT_EQ(call.effect, nullptr);
    EXPECT_EQ(call.opcode, audioMasterVersion);
    EXPECT_EQ(call.index, 0);
    EXPECT_EQ(call.value, 0);
    EXPECT_EQ(call.ptr, nullptr);
    EXPECT_EQ(call.opt, 0.0f);
}

} // namespace calderine::testing
