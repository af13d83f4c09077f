// Messages on standard error, a whole line at a time. Jobs of a batch warn from several
// threads at once; a line written in pieces would be cut into by another's.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace calderine {

// Where a part of the tool puts the lines it has to tell (each without its newline): standard
// error alone, or a batch's, which keeps them clear of its progress bar.
using MessageSink = std::function<void(const std::string& line)>;

// `line` and a newline on standard error in one write(2), under a lock every thread shares,
// so that no other line of the tool gets into it. Quietly gives up where standard error is
// gone: there is nowhere left to say so.
void writeMessageLine(std::string_view line);

} // namespace calderine
