// The length an input's header states, told apart from the placeholders that writers put there
// when they stream and cannot know it.
#pragma once

#include <cstdint>
#include <optional>

namespace calderine {

// frames: the count libsndfile reports for a file opened with its length unknown (see
// InputSource); format and channels as it reports them. Nothing where the header states no
// length: libsndfile's own "unknown", a count derived from the file's unknown length, or one
// derived from a streaming writer's placeholder in a 32-bit length field.
std::optional<std::int64_t> statedLength(std::int64_t frames, int format, int channels);

} // namespace calderine
