#include "tools/render/audio/SoundTags.h"

namespace calderine {

SoundTags SoundTags::read(SNDFILE* file) {
    SoundTags tags;
    for (int type = SF_STR_FIRST; type <= SF_STR_LAST; ++type) {
        const char* text = sf_get_string(file, type);
        if (text != nullptr && *text != '\0') {
            tags.fields.emplace_back(type, text);
        }
    }
    return tags;
}

void SoundTags::write(SNDFILE* file) const {
    for (const auto& [type, text] : fields) {
        // Refused only where the container has no such field; the sound goes on without it.
        sf_set_string(file, type, text.c_str());
    }
}

} // namespace calderine
