#include "host/RecordEntries.h"

#include "tests/host/TestEffect.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <new>
#include <stdexcept>

namespace calderine {
namespace {

using testing::TestEffect;

// Remembers what reached it through the record, and throws on request from every operation.
class EntryProbe : public TestEffect {
public:
    bool throwing = false;
    std::intptr_t closeAnswer = 0;
    std::int32_t lastIndex = -1;
    float lastValue = -1.0f;
    void* lastInputs = nullptr;
    void* lastOutputs = nullptr;
    std::int32_t lastFrames = -1;

    std::intptr_t dispatcher(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                             void* ptr, float opt) override {
        maybeThrow();
        if (opcode == effClose)
            return closeAnswer;
        return TestEffect::dispatcher(opcode, index, value, ptr, opt);
    }
    void setParameter(std::int32_t index, float value) override {
        maybeThrow();
        lastIndex = index;
        lastValue = value;
    }
    float getParameter(std::int32_t index) override {
        maybeThrow();
        return static_cast<float>(index) * 0.125f;
    }
    void process(float** inputs, float** outputs, std::int32_t frames) override {
        remember(inputs, outputs, frames);
    }
    void processReplacing(float** inputs, float** outputs, std::int32_t frames) override {
        remember(inputs, outputs, frames);
    }
    void processDoubleReplacing(double** inputs, double** outputs, std::int32_t frames) override {
        remember(inputs, outputs, frames);
    }

private:
    void maybeThrow() const {
        if (throwing)
            throw std::runtime_error("operation failed");
    }
    void remember(void* inputs, void* outputs, std::int32_t frames) {
        maybeThrow();
        lastInputs = inputs;
        lastOutputs = outputs;
        lastFrames = frames;
    }
};

TEST(RecordEntriesTest, EntriesForwardTheirArgumentsUnchanged) {
    auto* probe = new EntryProbe;
    AEffect* effect = probe->getAeffect();
    ASSERT_EQ(effect->object, probe);

    effect->setParameter(effect, 7, 0.75f);
    EXPECT_EQ(probe->lastIndex, 7);
    EXPECT_EQ(probe->lastValue, 0.75f);
    EXPECT_EQ(effect->getParameter(effect, 4), 0.5f);
    EXPECT_EQ(effect->dispatcher(effect, effGetVstVersion, 0, 0, nullptr, 0.0f), 2400);

    float* in[2] = {};
    float* out[2] = {};
    double* dIn[2] = {};
    double* dOut[2] = {};
    effect->process(effect, in, out, 11);
    EXPECT_EQ(probe->lastInputs, in);
    EXPECT_EQ(probe->lastOutputs, out);
    EXPECT_EQ(probe->lastFrames, 11);
    effect->processReplacing(effect, out, in, 12);
    EXPECT_EQ(probe->lastInputs, out);
    EXPECT_EQ(probe->lastOutputs, in);
    EXPECT_EQ(probe->lastFrames, 12);
    effect->processDoubleReplacing(effect, dIn, dOut, 13);
    EXPECT_EQ(probe->lastInputs, dIn);
    EXPECT_EQ(probe->lastOutputs, dOut);
    EXPECT_EQ(probe->lastFrames, 13);

    EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
}

TEST(RecordEntriesTest, NoExceptionLeavesAnyEntry) {
    auto* probe = new EntryProbe;
    probe->throwing = true;
    AEffect* effect = probe->getAeffect();
    float* channels[2] = {};
    double* dChannels[2] = {};

    EXPECT_EQ(effect->dispatcher(effect, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
    EXPECT_NO_THROW(effect->setParameter(effect, 0, 0.5f));
    EXPECT_EQ(effect->getParameter(effect, 4), 0.0f);
    EXPECT_NO_THROW(effect->processReplacing(effect, channels, channels, 1));
    EXPECT_NO_THROW(effect->processDoubleReplacing(effect, dChannels, dChannels, 1));
    EXPECT_NO_THROW(effect->process(effect, channels, channels, 1));
    EXPECT_EQ(probe->lastIndex, -1);
    EXPECT_EQ(probe->lastFrames, -1);

    // Even a throwing close destroys the instance.
    const int live = TestEffect::liveInstances;
    EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(TestEffect::liveInstances, live - 1);
}

TEST(RecordEntriesTest, CloseAnswersOneAndDestroysWhateverTheInstanceAnswers) {
    for (std::intptr_t closeAnswer : {std::intptr_t{0}, std::intptr_t{1}, std::intptr_t{-7}}) {
        auto* probe = new EntryProbe;
        probe->closeAnswer = closeAnswer;
        AEffect* effect = probe->getAeffect();
        const int live = TestEffect::liveInstances;
        EXPECT_EQ(dispatcherEntry(effect, effClose, 0, 0, nullptr, 0.0f), 1);
        EXPECT_EQ(TestEffect::liveInstances, live - 1);
    }
}

// A record that is null or has lost its instance answers 0 and is never dereferenced further.
TEST(RecordEntriesTest, NullRecordOrInstanceIsSurvived) {
    AEffect orphan{};
    for (AEffect* effect : {static_cast<AEffect*>(nullptr), &orphan}) {
        float* channels[2] = {};
        double* dChannels[2] = {};
        EXPECT_EQ(dispatcherEntry(effect, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
        EXPECT_EQ(dispatcherEntry(effect, effClose, 0, 0, nullptr, 0.0f), 0);
        setParameterEntry(effect, 0, 1.0f);
        EXPECT_EQ(getParameterEntry(effect, 0), 0.0f);
        processEntry(effect, channels, channels, 16);
        processReplacingEntry(effect, channels, channels, 16);
        processDoubleReplacingEntry(effect, dChannels, dChannels, 16);
    }
}

} // namespace
} // namespace calderine
