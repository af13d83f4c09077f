// calderine-render converting between every format this libsndfile writes, through a stand-in
// effect that only delays (and so, latency compensated, returns its input): every pair must
// give a file of the wanted format, in an encoding that keeps the input's precision, holding
// the input's samples.
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/TestAudio.h"
#include "tests/tools/render/support/ToolRun.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <iostream>
#include <sndfile.h>
#include <string>
#include <vector>

namespace calderine {
namespace {

// Opus takes only a few rates; 48 kHz is one of them and every other codec takes it too.
constexpr int kRate = 48000;
constexpr std::size_t kFrames = 4800;

struct ToolFormat {
    const char* name;
    const char* extension;
    int major;
    int codec; // the encoding of a lossy format, else 0
};

// What each name and extension stands for, as the formats are commonly known.
const ToolFormat kToolFormats[] = {
    {"wav", "wav", SF_FORMAT_WAV, 0},
    {"flac", "flac", SF_FORMAT_FLAC, 0},
    {"aiff", "aiff", SF_FORMAT_AIFF, 0},
    {"caf", "caf", SF_FORMAT_CAF, 0},
    {"w64", "w64", SF_FORMAT_W64, 0},
    {"rf64", "rf64", SF_FORMAT_RF64, 0},
    {"au", "au", SF_FORMAT_AU, 0},
    {"ogg", "ogg", SF_FORMAT_OGG, SF_FORMAT_VORBIS},
    {"opus", "opus", SF_FORMAT_OGG, SF_FORMAT_OPUS},
    {"mp3", "mp3", SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III},
};

struct Input {
    std::string label;
    std::filesystem::path path;
    int format;
    TestSound<double> sound; // as libsndfile decodes it
};

// Encodings that change the waveform (and, for the codecs, may shift it).
bool lossy(int subtype) {
    switch (subtype) {
    case SF_FORMAT_VORBIS:
    case SF_FORMAT_OPUS:
    case SF_FORMAT_MPEG_LAYER_III:
    case SF_FORMAT_IMA_ADPCM:
    case SF_FORMAT_MS_ADPCM:
    case SF_FORMAT_VOX_ADPCM:
    case SF_FORMAT_NMS_ADPCM_16:
    case SF_FORMAT_NMS_ADPCM_24:
    case SF_FORMAT_NMS_ADPCM_32:
    case SF_FORMAT_G721_32:
    case SF_FORMAT_G723_24:
    case SF_FORMAT_G723_40:
    case SF_FORMAT_GSM610:
        return true;
    default:
        return false;
    }
}

// Whether what libsndfile reads back is the signal it was given, to the precision of the
// encoding; its lossy codecs may shift the signal, so for them only the level counts.
bool faithful(const std::vector<double>& written, const std::vector<double>& read, int subtype) {
    if (read.size() < written.size()) {
        return false;
    }
    const double level = rms(written);
    if (lossy(subtype)) {
        const double ratio = rms(read) / level;
        return ratio > 0.8 && ratio < 1.25;
    }
    std::vector<double> error(written.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
        error[i] = read[i] - written[i];
    }
    return rms(error) < 0.1 * level;
}

// Writes the test signal in the format and reads it back; false where this libsndfile cannot
// do both faithfully (headerless RAW, MPEG layers I and II, ...).
bool tryWrite(const std::filesystem::path& path, int format) {
    SF_INFO info{};
    info.format = format;
    info.channels = 2;
    info.samplerate = kRate;
    if (sf_format_check(&info) == 0) {
        return false;
    }
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        return false;
    }
    const std::vector<double> samples = testSignal(kFrames, 2, kRate);
    sf_writef_double(file, samples.data(), kFrames);
    sf_close(file);
    SF_INFO back{};
    SNDFILE* reread = sf_open(path.c_str(), SFM_READ, &back);
    if (reread == nullptr) {
        return false;
    }
    sf_close(reread);
    return faithful(samples, readSound<double>(path).samples, format & SF_FORMAT_SUBMASK);
}

SF_FORMAT_INFO formatInfo(int command, int index) {
    SF_FORMAT_INFO info{};
    info.format = index;
    sf_command(nullptr, command, &info, sizeof info);
    return info;
}

// One input per container and encoding this libsndfile writes, found by asking it.
std::vector<Input> everyWritableInput(const TempFolder& folder) {
    int majors = 0;
    int subtypes = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &majors, sizeof majors);
    sf_command(nullptr, SFC_GET_FORMAT_SUBTYPE_COUNT, &subtypes, sizeof subtypes);
    std::vector<Input> inputs;
    for (int m = 0; m < majors; ++m) {
        const SF_FORMAT_INFO major = formatInfo(SFC_GET_FORMAT_MAJOR, m);
        for (int s = 0; s < subtypes; ++s) {
            const SF_FORMAT_INFO subtype = formatInfo(SFC_GET_FORMAT_SUBTYPE, s);
            const int format = major.format | subtype.format;
            const auto path =
                folder / ("in" + std::to_string(inputs.size()) + "." + major.extension);
            const std::string label = std::string(major.name) + " / " + subtype.name;
            if (tryWrite(path, format)) {
                inputs.push_back({label, path, format, readSound<double>(path)});
            } else if (std::filesystem::exists(path)) {
                // Written but not read back as written: a defect of this libsndfile, not a
                // format the tool could be asked to convert faithfully.
                std::cout << "skipped, not read back as written by this libsndfile: " << label
                          << '\n';
                std::filesystem::remove(path);
            }
        }
    }
    return inputs;
}

bool writable(int format) {
    const TempFolder scratch;
    return tryWrite(scratch / "probe", format);
}

// The smallest step of an encoding that stores samples exactly; 0 for the others.
double step(int subtype) {
    switch (subtype) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        return std::ldexp(1.0, -7);
    case SF_FORMAT_PCM_16:
        return std::ldexp(1.0, -15);
    case SF_FORMAT_PCM_24:
        return std::ldexp(1.0, -23);
    case SF_FORMAT_PCM_32:
        return std::ldexp(1.0, -31);
    case SF_FORMAT_FLOAT:
        return std::ldexp(1.0, -24); // relative to a signal below 1
    case SF_FORMAT_DOUBLE:
        return std::ldexp(1.0, -53);
    default:
        return 0.0;
    }
}

// The precision-keeping rule users expect: 16 bits stay 16, 24 stay 24, floating point stays
// floating point where the container has it (else 24 bits), and a source without a bit depth
// of its own (lossy, companded, ADPCM) becomes 24 bits. 0: no fixed expectation.
int expectedSubtype(int inputSubtype, const ToolFormat& output) {
    if (output.codec != 0) {
        return output.codec;
    }
    const auto has = [&](int subtype) { return writable(output.major | subtype); };
    switch (inputSubtype) {
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_PCM_24:
        return inputSubtype;
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE:
        return has(inputSubtype) ? inputSubtype : SF_FORMAT_PCM_24;
    case SF_FORMAT_VORBIS:
    case SF_FORMAT_OPUS:
    case SF_FORMAT_MPEG_LAYER_III:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW:
    case SF_FORMAT_IMA_ADPCM:
    case SF_FORMAT_MS_ADPCM:
    case SF_FORMAT_VOX_ADPCM:
    case SF_FORMAT_NMS_ADPCM_16:
    case SF_FORMAT_NMS_ADPCM_24:
    case SF_FORMAT_NMS_ADPCM_32:
    case SF_FORMAT_GSM610:
    case SF_FORMAT_G721_32:
    case SF_FORMAT_G723_24:
    case SF_FORMAT_G723_40:
        return SF_FORMAT_PCM_24;
    default:
        return 0;
    }
}

void expectSameSound(const TestSound<double>& input, const TestSound<double>& output,
                     int outputSubtype) {
    const double tolerance = step(outputSubtype);
    if (tolerance > 0.0) {
        ASSERT_EQ(output.frames(), input.frames());
        double worst = 0.0;
        for (std::size_t i = 0; i < input.samples.size(); ++i) {
            worst = std::max(worst, std::abs(output.samples[i] - input.samples[i]));
        }
        EXPECT_LE(worst, tolerance);
        return;
    }
    // Lossy, companded and ADPCM encodings change the samples; the level must survive.
    const double ratio = rms(output.samples) / rms(input.samples);
    EXPECT_GT(ratio, 0.8);
    EXPECT_LT(ratio, 1.25);
}

TEST(FormatMatrix, EveryReadableInputConvertsToEveryWrittenFormat) {
    const TempFolder folder;
    const std::vector<Input> inputs = everyWritableInput(folder);
    // At least the classic uncompressed containers in several encodings.
    ASSERT_GT(inputs.size(), 40u);

    std::vector<const ToolFormat*> outputs;
    for (const ToolFormat& format : kToolFormats) {
        if (writable(format.major | (format.codec != 0 ? format.codec : SF_FORMAT_PCM_16))) {
            outputs.push_back(&format);
        }
    }
    const ToolResult help = runTool({"--help"});
    for (const ToolFormat* format : outputs) {
        EXPECT_NE(help.out.find(std::string(format->name)), std::string::npos)
            << "--help does not offer " << format->name;
    }

    int converted = 0;
    for (const Input& input : inputs) {
        for (const ToolFormat* format : outputs) {
            SCOPED_TRACE(input.label + " -> " + format->name);
            const auto out = folder / (std::string("out.") + format->extension);
            // Double precision, so that 32-bit and double inputs can come back exactly.
            const ToolResult result =
                runTool({input.path.string(), out.string(), "--plugin", CALDERINE_FAKE_DELAY_MODULE,
                         "--precision", "double"});
            ++converted;
            // Opus and MP3 take a few rates only; VOC stores its rate rounded (48012 Hz).
            const bool fixedRates =
                format->codec == SF_FORMAT_OPUS || format->codec == SF_FORMAT_MPEG_LAYER_III;
            if (fixedRates && input.sound.sampleRate != kRate) {
                // A format that cannot take the input's rate is a mistake on the command line.
                EXPECT_EQ(result.status, 2);
                EXPECT_EQ(result.errLines(), 1) << result.err;
                EXPECT_FALSE(std::filesystem::exists(out));
                continue;
            }
            ASSERT_EQ(result.status, 0) << result.err;
            EXPECT_EQ(result.err, "");
            const auto output = readSound<double>(out);
            EXPECT_EQ(output.format & SF_FORMAT_TYPEMASK, format->major);
            EXPECT_EQ(output.channels, 2);
            EXPECT_EQ(output.sampleRate, input.sound.sampleRate);
            const int subtype = output.format & SF_FORMAT_SUBMASK;
            if (const int expected = expectedSubtype(input.format & SF_FORMAT_SUBMASK, *format)) {
                EXPECT_EQ(subtype, expected);
            }
            expectSameSound(input.sound, output, subtype);
            std::filesystem::remove(out);
        }
    }
    EXPECT_EQ(converted, static_cast<int>(inputs.size() * outputs.size()));
}

} // namespace
} // namespace calderine
