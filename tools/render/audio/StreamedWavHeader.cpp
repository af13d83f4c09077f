#include "tools/render/audio/StreamedWavHeader.h"

#include <array>
#include <sndfile.h>
#include <string_view>

namespace calderine {

namespace {

constexpr std::uint32_t kUnknownLength = 0xFFFFFFFF;

// Format tags of the fmt chunk.
constexpr std::uint16_t kPcm = 0x0001;
constexpr std::uint16_t kIeeeFloat = 0x0003;
constexpr std::uint16_t kALaw = 0x0006;
constexpr std::uint16_t kMuLaw = 0x0007;
constexpr std::uint16_t kExtensible = 0xFFFE;
// The tail every KSDATAFORMAT_SUBTYPE GUID shares after its leading format tag.
constexpr std::array<std::uint8_t, 14> kSubtypeGuidTail = {
    0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// Bytes of the extensible fmt chunk after the plain 16: cbSize, valid bits, mask, GUID.
constexpr std::uint16_t kExtensionBytes = 22;

struct Encoding {
    std::uint16_t tag;
    std::uint16_t bits;
};

std::optional<Encoding> encodingOf(int subtype) {
    switch (subtype) {
    case SF_FORMAT_PCM_U8:
        return Encoding{kPcm, 8};
    case SF_FORMAT_PCM_16:
        return Encoding{kPcm, 16};
    case SF_FORMAT_PCM_24:
        return Encoding{kPcm, 24};
    case SF_FORMAT_PCM_32:
        return Encoding{kPcm, 32};
    case SF_FORMAT_FLOAT:
        return Encoding{kIeeeFloat, 32};
    case SF_FORMAT_DOUBLE:
        return Encoding{kIeeeFloat, 64};
    case SF_FORMAT_ALAW:
        return Encoding{kALaw, 8};
    case SF_FORMAT_ULAW:
        return Encoding{kMuLaw, 8};
    default:
        return std::nullopt;
    }
}

class Bytes {
public:
    void text(std::string_view fourCharacters) {
        data.insert(data.end(), fourCharacters.begin(), fourCharacters.end());
    }
    void u16(std::uint32_t value) { little(value, 2); }
    void u32(std::uint32_t value) { little(value, 4); }
    std::vector<std::uint8_t> data;

private:
    void little(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) {
            data.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    }
};

} // namespace

std::optional<std::vector<std::uint8_t>> streamedWavHeader(int subtype, const StreamShape& shape) {
    const auto encoding = encodingOf(subtype);
    if (!encoding) {
        return std::nullopt;
    }
    // Readers expect the extensible form beyond two channels; companded data has none.
    const bool extensible =
        shape.channels > 2 && (encoding->tag == kPcm || encoding->tag == kIeeeFloat);
    const bool plainPcm = encoding->tag == kPcm && !extensible;
    const auto blockAlign = static_cast<std::uint32_t>(shape.channels * encoding->bits / 8);

    Bytes header;
    header.text("RIFF");
    header.u32(kUnknownLength);
    header.text("WAVE");
    header.text("fmt ");
    header.u32(plainPcm ? 16 : extensible ? 16 + 2 + kExtensionBytes : 18);
    header.u16(extensible ? kExtensible : encoding->tag);
    header.u16(static_cast<std::uint32_t>(shape.channels));
    header.u32(static_cast<std::uint32_t>(shape.sampleRate));
    header.u32(static_cast<std::uint32_t>(shape.sampleRate) * blockAlign);
    header.u16(blockAlign);
    header.u16(encoding->bits);
    if (extensible) {
        header.u16(kExtensionBytes);
        header.u16(encoding->bits);
        header.u32(0); // no speaker positions claimed
        header.u16(encoding->tag);
        header.data.insert(header.data.end(), kSubtypeGuidTail.begin(), kSubtypeGuidTail.end());
    } else if (!plainPcm) {
        header.u16(0);
    }
    header.text("data");
    header.u32(kUnknownLength);
    return header.data;
}

} // namespace calderine
