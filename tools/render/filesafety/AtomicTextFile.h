// A small text file written under a hidden temporary name beside its destination and renamed
// into place only by commit(), so that a failed or interrupted run leaves neither a partial
// file nor a damaged old one behind.
#pragma once

#include <cstddef>
#include <filesystem>
#include <sstream>

namespace calderine {

class AtomicTextFile {
public:
    // Creates the temporary file at once, so that a destination that cannot be written is
    // refused before any other work; throws std::runtime_error.
    explicit AtomicTextFile(const std::filesystem::path& path);
    // Removes the temporary file unless commit() succeeded.
    ~AtomicTextFile();

    AtomicTextFile(const AtomicTextFile&) = delete;
    AtomicTextFile& operator=(const AtomicTextFile&) = delete;

    // Collected in memory and written by commit(): the text is small.
    std::ostream& stream() { return text; }
    // Writes the file and gives it its real name, replacing what was there.
    void commit();

private:
    void removeTemporary() noexcept;

    std::filesystem::path destination;
    std::filesystem::path temporary;
    std::size_t slot = 0;
    int descriptor = -1;
    std::ostringstream text;
    bool committed = false;
};

} // namespace calderine
