// An output the command line asks for that cannot be made: a format, encoding or quality the
// container lacks, or a rate or channel count it cannot take. A mistake on the command line
// (exit 2), though found only once the input is open.
#pragma once

#include "tools/render/common/AudioFileError.h"

namespace calderine {

class FormatChoiceError : public AudioFileError {
public:
    explicit FormatChoiceError(const std::string& message) : AudioFileError(message) {}
};

} // namespace calderine
