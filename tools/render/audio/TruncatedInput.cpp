#include "tools/render/audio/TruncatedInput.h"

#include "tools/render/audio/SoundFileReader.h"
#include "tools/render/common/AudioFileError.h"

namespace calderine {

std::optional<std::string> TruncatedInput::check(const SoundFileReader& input, bool accept) {
    const auto stated = input.statedFrames();
    if (!stated || input.framesRead() >= *stated) {
        return std::nullopt;
    }
    std::string text = input.describe();
    text += " ends after ";
    text += std::to_string(input.framesRead());
    text += " frames, but its header promises ";
    text += std::to_string(*stated);
    if (!accept) {
        throw AudioFileError(text + "; it is truncated (--accept-truncated renders what is there)");
    }
    return "warning: " + text + "; rendered what is there";
}

} // namespace calderine
