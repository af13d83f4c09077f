#include "tools/render/filesafety/TextOutputFile.h"

#include <string>

namespace calderine {

void TextOutputFile::commit() {
    const std::string bytes = text.str();
    file.write(bytes.data(), bytes.size());
    file.commit();
}

} // namespace calderine
