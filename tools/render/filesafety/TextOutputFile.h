// A small text file of the tool's (a saved preset), written through an OutputFile like any
// audio output: opened at once, collected in memory, written and given its name by commit().
#pragma once

#include "tools/render/filesafety/OutputDestination.h"
#include "tools/render/filesafety/OutputFile.h"

#include <sstream>

namespace calderine {

class TextOutputFile {
public:
    // Throws AudioFileError when the destination cannot be written.
    explicit TextOutputFile(const OutputDestination& destination) : file(destination) {}

    std::ostream& stream() { return text; }
    // Writes the text and gives the file its real name; throws AudioFileError.
    void commit();

private:
    OutputFile file;
    std::ostringstream text;
};

} // namespace calderine
