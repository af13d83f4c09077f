// libFuzzer target: one instance per input, created through the module's exported entry point
// and driven only through its record, the way a host drives it, by a sequence of actions decoded
// from the input; effClose ends every sequence. Besides the sanitizers' findings, a run fails
// when the module breaks what any host relies on:
//  - a text answer is not zero-terminated within the interface's limit for it, or bytes past
//    that limit changed; an opcode that takes no buffer wrote into the one it was given, or one
//    that reads a host text changed it;
//  - getParameter answered outside [0, 1] (NaN included);
//  - a processing call left an output sample unwritten, or a block whose inputs were all finite
//    with |x| <= 1e6 (kSaneMagnitude) came out with a NaN or infinite sample;
//  - the record lost its magic number, or the current program left [0, numPrograms).
#include "host/AEffect.h"
#include "host/VstConstants.h"
#include "tests/fuzz/FuzzInput.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#endif

extern "C" calderine::AEffect* CALDERINE_VST_CALL VSTPluginMain(calderine::audioMasterCallback);

namespace calderine::fuzz {
namespace {

// Largest input magnitude for which the output must be finite: a million times full scale.
constexpr double kSaneMagnitude = 1e6;
// Bounds on one input's work, so that the fuzzer spends its time on variety, not on length.
constexpr std::size_t kMaxActions = 256;
constexpr std::int64_t kMaxFramesPerInput = 12288;
constexpr std::int32_t kMaxBlockFrames = 4096;
// Every buffer handed to the dispatcher: larger than any text limit and any structure of the
// interface, so that a write the interface allows always lands inside it.
constexpr std::size_t kHostBufferBytes = 1024;
constexpr unsigned char kSentinel = 0xA5;

// CALDERINE_FUZZ_TRACE=1 lists each action on stderr, for reading a finding's input.
const bool kTrace = std::getenv("CALDERINE_FUZZ_TRACE") != nullptr;

[[noreturn]] void fail(const char* what, std::int32_t opcode, std::int32_t index) {
    std::fprintf(stderr, "calderine fuzz: %s (opcode %d, index %d)\n", what, opcode, index);
    std::abort();
}

std::intptr_t CALDERINE_VST_CALL hostCallback(AEffect*, std::int32_t opcode, std::int32_t,
                                              std::intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// Longest answers, in characters without the terminating zero, as the interface publishes them;
// parameter names get 31, the length this module promises its hosts (the interface's original 8
// is shorter than most of its names).
struct TextLimit {
    std::int32_t opcode;
    std::size_t maxChars;
};
constexpr std::array<TextLimit, 10> kTextAnswers = {{
    {effGetProgramName, 24},
    {effGetParamLabel, 8},
    {effGetParamDisplay, 8},
    {effGetParamName, 31},
    {effGetProgramNameIndexed, 24},
    {effGetErrorText, 256},
    {effGetEffectName, 32},
    {effGetVendorString, 64},
    {effGetProductString, 64},
    {effShellGetNextPlugin, 64},
}};

// Opcodes whose `ptr` is a zero-terminated text from the host.
constexpr std::array<std::int32_t, 3> kTextRequests = {effSetProgramName, effString2Parameter,
                                                       effCanDo};

// Opcodes whose `ptr` (or `value`) points at a structure of the interface, read or written by
// the effect. They get a zeroed buffer: zero counts and null pointers make each a valid, empty
// instance of its structure.
constexpr std::array<std::int32_t, 21> kStructureOpcodes = {effEditGetRect,
                                                            effEditOpen,
                                                            effGetChunk,
                                                            effProcessEvents,
                                                            effGetInputProperties,
                                                            effGetOutputProperties,
                                                            effOfflineNotify,
                                                            effOfflinePrepare,
                                                            effOfflineRun,
                                                            effProcessVarIo,
                                                            effSetSpeakerArrangement,
                                                            effVendorSpecific,
                                                            effGetParameterProperties,
                                                            effGetMidiProgramName,
                                                            effGetCurrentMidiProgram,
                                                            effGetMidiProgramCategory,
                                                            effGetMidiKeyName,
                                                            effGetSpeakerArrangement,
                                                            effBeginLoadBank,
                                                            effBeginLoadProgram,
                                                            effGetCurrentPosition};

template <std::size_t N>
bool contains(const std::array<std::int32_t, N>& opcodes, std::int32_t opcode) {
    return std::find(opcodes.begin(), opcodes.end(), opcode) != opcodes.end();
}

const TextLimit* textAnswer(std::int32_t opcode) {
    const auto* it = std::find_if(kTextAnswers.begin(), kTextAnswers.end(),
                                  [opcode](const TextLimit& t) { return t.opcode == opcode; });
    return it != kTextAnswers.end() ? it : nullptr;
}

// Host memory: pointer-aligned as a host's allocation would be.
struct alignas(16) HostBuffer {
    std::array<unsigned char, kHostBufferBytes> bytes;

    void fill(unsigned char c) { bytes.fill(c); }
    char* text() { return reinterpret_cast<char*>(bytes.data()); }
    bool untouchedFrom(std::size_t first) const {
        return std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(first), bytes.end(),
                           [](unsigned char c) { return c == kSentinel; });
    }
};

class Session {
public:
    explicit Session(FuzzInput& input) : in(input) {}

    void run() {
        AEffect* const created = VSTPluginMain(&hostCallback);
        if (created == nullptr || created->magic != kEffectMagic) {
            fail("entry point returned no record", -1, 0);
        }
        effect = created;
        dispatch(effOpen, 0, 0, nullptr, 0.0f);
        for (std::size_t action = 0; action < kMaxActions && !in.exhausted(); ++action) {
            if (!step()) {
                return; // the sequence closed the instance itself
            }
            checkInvariants();
        }
        dispatch(effMainsChanged, 0, 0, nullptr, 0.0f);
        dispatch(effClose, 0, 0, nullptr, 0.0f);
    }

private:
    std::intptr_t dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value, void* ptr,
                           float opt) {
        if (kTrace) {
            std::fprintf(stderr, "dispatch %d index %d value %lld opt %a\n", opcode, index,
                         static_cast<long long>(value), static_cast<double>(opt));
        }
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }

    // One host action; false once the instance is closed.
    bool step() {
        switch (in.byte() % 8) {
        case 0:
        case 1:
            return dispatchAny();
        case 2:
        case 3:
            setParameter();
            return true;
        case 4:
            dispatch(effSetSampleRate, 0, 0, nullptr, in.anyFloat());
            return true;
        case 5:
            dispatch(effMainsChanged, 0, in.byte() % 2, nullptr, 0.0f);
            return true;
        case 6:
            process<float>();
            return true;
        default:
            process<double>();
            return true;
        }
    }

    std::int32_t opcode() {
        const std::uint8_t selector = in.byte();
        if (selector < 0xF0) {
            return selector % (kLastExtendedOpcode + 1);
        }
        constexpr std::array<std::int32_t, 8> kOutside = {-1,
                                                          kLastExtendedOpcode + 1,
                                                          kLastExtendedOpcode + 2,
                                                          128,
                                                          1000,
                                                          0x10000,
                                                          std::numeric_limits<std::int32_t>::min(),
                                                          std::numeric_limits<std::int32_t>::max()};
        return kOutside[selector % kOutside.size()];
    }

    bool dispatchAny() {
        const std::int32_t op = opcode();
        const std::int32_t index = in.index();
        std::intptr_t value = in.value();
        const float opt = in.anyFloat();
        if (op == effClose) {
            dispatch(effClose, index, value, nullptr, opt);
            return false;
        }
        if (const TextLimit* limit = textAnswer(op)) {
            buffer.fill(kSentinel);
            const std::intptr_t answer = dispatch(op, index, value, buffer.text(), opt);
            checkTextAnswer(op, index, *limit, answer);
            return true;
        }
        if (contains(kTextRequests, op)) {
            const std::size_t length = writeHostText();
            const HostBuffer sent = buffer;
            dispatch(op, index, value, buffer.text(), opt);
            if (std::memcmp(sent.bytes.data(), buffer.bytes.data(), length + 1) != 0 ||
                !buffer.untouchedFrom(length + 1)) {
                fail("the host's text was changed", op, index);
            }
            return true;
        }
        if (op == effSetChunk) {
            for (auto& b : buffer.bytes) {
                b = in.byte();
            }
            const auto size =
                static_cast<std::intptr_t>(in.raw<std::uint16_t>() % (kHostBufferBytes + 1));
            dispatch(op, index, size, buffer.bytes.data(), opt);
            return true;
        }
        if (contains(kStructureOpcodes, op)) {
            buffer.fill(0);
            // The speaker opcodes take the input side's structure through `value`.
            if (op == effSetSpeakerArrangement || op == effGetSpeakerArrangement) {
                second.fill(0);
                value = reinterpret_cast<std::intptr_t>(second.bytes.data());
            }
            dispatch(op, index, value, buffer.bytes.data(), opt);
            return true;
        }
        // Every other opcode takes no buffer: whatever the host passes must stay as it was.
        buffer.fill(kSentinel);
        dispatch(op, index, value, buffer.bytes.data(), opt);
        if (!buffer.untouchedFrom(0)) {
            fail("an opcode that takes no buffer wrote into it", op, index);
        }
        return true;
    }

    // A host text of up to a few dozen bytes from the input, longer than some limits on
    // purpose, zero-terminated, sentinel after. Returns its length.
    std::size_t writeHostText() {
        buffer.fill(kSentinel);
        const std::size_t length = in.byte() % 80;
        for (std::size_t i = 0; i < length; ++i) {
            const std::uint8_t c = in.byte();
            buffer.bytes[i] = c != 0 ? c : 'a';
        }
        buffer.bytes[length] = 0;
        return length;
    }

    void checkTextAnswer(std::int32_t op, std::int32_t index, const TextLimit& limit,
                         std::intptr_t answer) {
        if (!buffer.untouchedFrom(limit.maxChars + 1)) {
            fail("text answer wrote past its limit", op, index);
        }
        const unsigned char* first = buffer.bytes.data();
        const unsigned char* last = first + static_cast<std::ptrdiff_t>(limit.maxChars + 1);
        const bool terminated = std::find(first, last, 0) != last;
        const bool untouched = buffer.untouchedFrom(0);
        if (!terminated && !untouched) {
            fail("text answer without a terminating zero within its limit", op, index);
        }
        // Texts an effect always has: its program, each of its parameters, and whatever it
        // answered yes to.
        const bool inRange = index >= 0 && index < effect->numParams;
        const bool required =
            op == effGetProgramName || answer != 0 ||
            ((op == effGetParamName || op == effGetParamLabel || op == effGetParamDisplay) &&
             inRange);
        if (required && !terminated) {
            fail("text answer missing", op, index);
        }
    }

    void setParameter() {
        const std::int32_t index = in.index();
        const float value = in.anyFloat();
        if (kTrace) {
            std::fprintf(stderr, "setParameter %d %a\n", index, static_cast<double>(value));
        }
        effect->setParameter(effect, index, value);
        checkParameter(index);
    }

    void checkParameter(std::int32_t index) {
        const float v = effect->getParameter(effect, index);
        if (!(v >= 0.0f && v <= 1.0f)) {
            std::fprintf(stderr, "getParameter(%d) = %a\n", index, static_cast<double>(v));
            fail("getParameter outside [0, 1]", -1, index);
        }
    }

    void checkInvariants() {
        if (effect->magic != kEffectMagic) {
            fail("record lost its magic", -1, 0);
        }
        for (std::int32_t index = 0; index < effect->numParams; ++index) {
            checkParameter(index);
        }
        const std::intptr_t program = dispatch(effGetProgram, 0, 0, nullptr, 0.0f);
        if (program < 0 || program >= effect->numPrograms) {
            fail("current program outside the program list", effGetProgram, 0);
        }
    }

    // What a host that computes in double but hands float over would pass on: out-of-range
    // magnitudes become infinities, NaNs stay NaN.
    template <typename Sample>
    static Sample toSample(double x) {
        if constexpr (std::is_same_v<Sample, float>) {
            if (std::isnan(x)) {
                return std::numeric_limits<float>::quiet_NaN();
            }
            if (std::fabs(x) > static_cast<double>(std::numeric_limits<float>::max())) {
                return std::copysign(std::numeric_limits<float>::infinity(),
                                     static_cast<float>(x > 0 ? 1 : -1));
            }
            return static_cast<float>(x);
        } else {
            return x;
        }
    }

    // One generated channel: a shape at some amplitude, with hostile samples dropped in.
    template <typename Sample>
    void generate(std::vector<Sample>& channel) {
        const std::uint8_t shape = in.byte();
        const double amplitude = (shape & 0x80) != 0 ? -in.amplitude() : in.amplitude();
        const std::uint32_t seed = in.raw<std::uint32_t>() | 1;
        std::uint32_t state = seed;
        const double step = 0.001 + static_cast<double>(seed % 4096) * 0.0007;
        const std::size_t period = seed % 97 + 1;
        for (std::size_t n = 0; n < channel.size(); ++n) {
            double x = 0.0;
            switch (shape % 5) {
            case 0:
                break;
            case 1:
                x = amplitude;
                break;
            case 2: // xorshift32 noise in [-1, 1)
                state ^= state << 13;
                state ^= state >> 17;
                state ^= state << 5;
                x = amplitude * (static_cast<double>(state) / 2147483648.0 - 1.0);
                break;
            case 3:
                x = amplitude * std::sin(step * static_cast<double>(n));
                break;
            default:
                x = (n / period) % 2 == 0 ? amplitude : -amplitude;
                break;
            }
            channel[n] = toSample<Sample>(x);
        }
        const std::uint8_t spikes = in.byte() % 8;
        for (std::uint8_t s = 0; s < spikes && !channel.empty(); ++s) {
            const std::size_t at = in.raw<std::uint16_t>() % channel.size();
            channel[at] = toSample<Sample>(in.hostileSample());
        }
    }

    template <typename Sample>
    void process() {
        std::int32_t count = static_cast<std::int32_t>(in.raw<std::uint16_t>() % 4100) - 3;
        count = std::min({count, kMaxBlockFrames,
                          static_cast<std::int32_t>(kMaxFramesPerInput - framesProcessed)});
        const std::uint8_t routing = in.byte() % 3;
        const std::size_t frames = count > 0 ? static_cast<std::size_t>(count) : 0;
        framesProcessed += static_cast<std::int64_t>(frames);

        // Exact sizes, so that the address sanitizer sees any access past the block.
        std::array<std::vector<Sample>, 2> input{
            std::vector<Sample>(std::max<std::size_t>(frames, 1)),
            std::vector<Sample>(std::max<std::size_t>(frames, 1))};
        std::array<std::vector<Sample>, 2> output = input;
        for (auto& channel : input) {
            generate(channel);
        }
        bool sane = true;
        for (const auto& channel : input) {
            for (std::size_t n = 0; n < frames; ++n) {
                const double x = static_cast<double>(channel[n]);
                sane = sane && std::isfinite(x) && std::fabs(x) <= kSaneMagnitude;
            }
        }
        // A NaN with a payload no computation produces marks the samples not yet written.
        const Sample unwritten = unwrittenMark<Sample>();
        for (auto& channel : output) {
            std::fill(channel.begin(), channel.end(), unwritten);
        }

        Sample* inputs[2] = {input[0].data(), input[1].data()};
        Sample* outputs[2] = {output[0].data(), output[1].data()};
        if (routing == 1) { // in place
            outputs[0] = inputs[0];
            outputs[1] = inputs[1];
            for (auto& channel : output) {
                channel = {};
            }
        } else if (routing == 2) { // crossed in place
            outputs[0] = inputs[1];
            outputs[1] = inputs[0];
            for (auto& channel : output) {
                channel = {};
            }
        }
        const std::array<std::vector<Sample>, 2> before = input;
        if (kTrace) {
            double peak = 0.0;
            for (const auto& channel : input) {
                for (std::size_t n = 0; n < frames; ++n) {
                    peak = std::max(peak, std::fabs(static_cast<double>(channel[n])));
                }
            }
            std::fprintf(stderr, "process %s %d frames, routing %d, peak %g%s\n",
                         std::is_same_v<Sample, float> ? "float" : "double", count, routing, peak,
                         sane ? "" : ", not sane");
        }

        if constexpr (std::is_same_v<Sample, float>) {
            effect->processReplacing(effect, inputs, outputs, count);
        } else {
            effect->processDoubleReplacing(effect, inputs, outputs, count);
        }

        if (count <= 0) {
            // Nothing to process: no buffer changes.
            if (std::memcmp(before[0].data(), input[0].data(), sizeof(Sample)) != 0 ||
                std::memcmp(before[1].data(), input[1].data(), sizeof(Sample)) != 0 ||
                (routing == 0 && (!isUnwritten(output[0][0]) || !isUnwritten(output[1][0])))) {
                fail("a block without frames changed a buffer", count, routing);
            }
            return;
        }
        for (const Sample* channel : outputs) {
            for (std::size_t n = 0; n < frames; ++n) {
                if (routing == 0 && isUnwritten(channel[n])) {
                    fail("output sample left unwritten", count, static_cast<std::int32_t>(n));
                }
                if (sane && !std::isfinite(channel[n])) {
                    std::fprintf(stderr, "output %a at frame %zu of %d\n",
                                 static_cast<double>(channel[n]), n, count);
                    fail("non-finite output for sane input", count, static_cast<std::int32_t>(n));
                }
            }
        }
    }

    template <typename Sample>
    static Sample unwrittenMark() {
        if constexpr (std::is_same_v<Sample, float>) {
            return std::bit_cast<float>(std::uint32_t{0x7FA5A5A5});
        } else {
            return std::bit_cast<double>(std::uint64_t{0x7FF5A5A5A5A5A5A5});
        }
    }

    template <typename Sample>
    static bool isUnwritten(Sample s) {
        const Sample mark = unwrittenMark<Sample>();
        return std::memcmp(&s, &mark, sizeof s) == 0;
    }

    FuzzInput& in;
    AEffect* effect = nullptr;
    HostBuffer buffer{};
    HostBuffer second{};
    std::int64_t framesProcessed = 0;
};

} // namespace
} // namespace calderine::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
#if defined(__x86_64__) || defined(__i386__)
    // The module sets flush-to-zero on the calling thread and leaves it set; every input starts
    // from the state a fresh host thread has, so that a finding reproduces on its own.
    static const unsigned initialControl = _mm_getcsr();
    _mm_setcsr(initialControl);
#endif
    calderine::fuzz::FuzzInput input(data, size);
    calderine::fuzz::Session session(input);
    session.run();
    return 0;
}
