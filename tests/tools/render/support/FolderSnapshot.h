// What a test's scratch folder holds, to show that a refused run touched nothing, and its
// path put into command lines.
#pragma once

#include "tests/tools/render/support/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace calderine {

inline std::string bytesOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Every file and folder by its path in the scratch folder: a link by what it holds, a folder,
// a pipe or a device as such, anything else by its size and a hash of its bytes.
inline std::map<std::string, std::string> snapshot(const TempFolder& folder) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder.path())) {
        const fs::path& path = entry.path();
        const fs::file_status status = fs::symlink_status(path);
        std::string& seen = files[fs::relative(path, folder.path()).string()];
        if (fs::is_symlink(status)) {
            seen = "-> " + fs::read_symlink(path).string();
        } else if (fs::is_directory(status)) {
            seen = "folder";
        } else if (fs::is_fifo(status)) {
            seen = "pipe";
        } else if (!fs::is_regular_file(status)) {
            seen = "device";
        } else {
            seen = std::to_string(fs::file_size(path)) + " bytes, hash " +
                   std::to_string(std::hash<std::string>{}(bytesOf(path)));
        }
    }
    return files;
}

// "@" in each word stands for the scratch folder.
inline std::vector<std::string> withFolder(const TempFolder& folder,
                                           std::vector<std::string> words) {
    const std::string path = folder.path().string();
    for (std::string& word : words) {
        std::string expanded;
        for (const char c : word) {
            expanded += c == '@' ? path : std::string(1, c);
        }
        word = expanded;
    }
    return words;
}

} // namespace calderine
