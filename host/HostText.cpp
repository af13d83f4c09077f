#include "host/HostText.h"

namespace calderine {

void copyHostText(char* buffer, const char* text, std::size_t maxChars) noexcept {
    if (buffer == nullptr)
        return;
    std::size_t i = 0;
    if (text != nullptr) {
        for (; i < maxChars && text[i] != '\0'; ++i)
            buffer[i] = text[i];
    }
    for (; i <= maxChars; ++i)
        buffer[i] = '\0';
}

} // namespace calderine
