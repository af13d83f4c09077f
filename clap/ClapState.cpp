#include "clap/ClapState.h"

#include "clap/ClapInstance.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstring>

namespace calderine::clap {

namespace {

constexpr std::array<unsigned char, 4> kMagic = {'C', 'L', 'D', 'S'};
constexpr std::size_t kHeaderBytes = 12;
// Room for far more values than any version will have; a longer stream is not a record.
constexpr std::size_t kMaxValues = 256;
constexpr std::size_t kMaxBytes = kHeaderBytes + 8 * kMaxValues;

void putUnsigned(unsigned char* at, std::uint64_t value, std::size_t bytes) noexcept {
    for (std::size_t i = 0; i < bytes; ++i) {
        at[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

std::uint64_t getUnsigned(const unsigned char* at, std::size_t bytes) noexcept {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < bytes; ++i) {
        value |= std::uint64_t{at[i]} << (8 * i);
    }
    return value;
}

} // namespace

bool saveState(const EffectCore& effect, const ClapOutputStream& stream) noexcept {
    std::array<unsigned char, kHeaderBytes + 8 * kParameterCount> record{};
    std::memcpy(record.data(), kMagic.data(), kMagic.size());
    putUnsigned(record.data() + 4, kStateVersion, 4);
    putUnsigned(record.data() + 8, kParameterCount, 4);
    for (std::size_t i = 0; i < kParameterCount; ++i) {
        putUnsigned(record.data() + kHeaderBytes + 8 * i,
                    std::bit_cast<std::uint64_t>(effect.plain(i)), 8);
    }
    // A stream may take fewer bytes than offered per call.
    std::size_t written = 0;
    while (written < record.size()) {
        const std::int64_t moved =
            stream.write(&stream, record.data() + written, record.size() - written);
        if (moved <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(moved);
    }
    return true;
}

bool loadState(EffectCore& effect, const ClapInputStream& stream) noexcept {
    // Read to the end (or one byte past the largest record); a host may hand out a few
    // bytes per call.
    std::array<unsigned char, kMaxBytes + 1> bytes{};
    std::size_t size = 0;
    while (size < bytes.size()) {
        const std::int64_t moved = stream.read(&stream, bytes.data() + size, bytes.size() - size);
        if (moved < 0 || static_cast<std::uint64_t>(moved) > bytes.size() - size) {
            return false;
        }
        if (moved == 0) {
            break;
        }
        size += static_cast<std::size_t>(moved);
    }
    if (size < kHeaderBytes || std::memcmp(bytes.data(), kMagic.data(), kMagic.size()) != 0) {
        return false; // not a record of this plug-in
    }
    const std::uint64_t version = getUnsigned(bytes.data() + 4, 4);
    const std::uint64_t count = getUnsigned(bytes.data() + 8, 4);
    if (version == 0 || version > kStateVersion || count > kParameterCount ||
        size != kHeaderBytes + 8 * count) {
        return false; // from a later version, cut short, or running on
    }
    std::array<double, kParameterCount> values{};
    for (std::size_t i = 0; i < kParameterCount; ++i) {
        values[i] = i < count
                        ? std::bit_cast<double>(getUnsigned(bytes.data() + kHeaderBytes + 8 * i, 8))
                        : kParameterTable[i].defaultValue;
        if (!std::isfinite(values[i])) {
            return false;
        }
    }
    for (std::size_t i = 0; i < kParameterCount; ++i) {
        effect.setPlain(i, values[i]);
    }
    return true;
}

namespace {

// Main thread.
bool CALDERINE_CLAP_CALL save(const ClapPlugin* plugin, const ClapOutputStream* stream) {
    ClapInstance& self = ClapInstance::of(plugin);
    self.assertMainThread();
    return stream != nullptr && stream->write != nullptr && saveState(self.core(), *stream);
}

// Main thread.
bool CALDERINE_CLAP_CALL load(const ClapPlugin* plugin, const ClapInputStream* stream) {
    ClapInstance& self = ClapInstance::of(plugin);
    self.assertMainThread();
    return stream != nullptr && stream->read != nullptr && loadState(self.core(), *stream);
}

const ClapPluginState kState{save, load};

} // namespace

const ClapPluginState& stateExtension() noexcept {
    return kState;
}

} // namespace calderine::clap
