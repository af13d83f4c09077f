// Bounded copies of texts into buffers that the host owns.
#pragma once

#include <cstddef>

namespace calderine {

// Copies `text` up to its terminating zero or up to maxChars characters, whichever comes first,
// zero-fills the rest and writes a zero into byte maxChars: the buffer needs maxChars + 1 bytes.
// A null buffer is left alone; a null text copies as the empty text.
void copyHostText(char* buffer, const char* text, std::size_t maxChars) noexcept;

} // namespace calderine
