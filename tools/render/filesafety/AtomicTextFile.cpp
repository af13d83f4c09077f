#include "tools/render/filesafety/AtomicTextFile.h"

#include <stdexcept>
#include <string>
#include <system_error>
#include <unistd.h>

namespace calderine {

namespace {

std::string quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

// Hidden, and distinct per process so that two runs saving into one folder never share it.
std::filesystem::path temporaryBeside(const std::filesystem::path& destination) {
    std::string name(1, '.');
    name.append(destination.filename().string()).append(1, '.');
    name.append(std::to_string(::getpid())).append(".part");
    return destination.parent_path() / name;
}

} // namespace

AtomicTextFile::AtomicTextFile(const std::filesystem::path& path)
    : destination(path), temporary(temporaryBeside(path)) {
    std::error_code error;
    if (std::filesystem::is_directory(destination, error)) {
        throw std::runtime_error("cannot write " + quoted(destination) + ": it is a folder");
    }
    out.open(temporary, std::ios::out | std::ios::trunc);
    if (!out) {
        throw std::runtime_error("cannot write " + quoted(destination));
    }
}

AtomicTextFile::~AtomicTextFile() {
    if (!committed) {
        out.close();
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
    }
}

void AtomicTextFile::commit() {
    out.close();
    if (out.fail()) {
        throw std::runtime_error("cannot write " + quoted(destination));
    }
    std::error_code error;
    std::filesystem::rename(temporary, destination, error);
    if (error) {
        throw std::runtime_error("cannot write " + quoted(destination) + ": " + error.message());
    }
    committed = true;
}

} // namespace calderine
