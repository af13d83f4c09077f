// A fresh folder under the system's temporary folder for one test, removed with everything
// in it when the test ends.
#pragma once

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace calderine {

class TempFolder {
public:
    TempFolder() {
        static std::atomic<int> serial{0};
        folder = std::filesystem::temp_directory_path() /
                 ("calderine-render-test-" + std::to_string(::getpid()) + "-" +
                  std::to_string(serial++));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::filesystem::path operator/(const std::string& name) const { return folder / name; }
    const std::filesystem::path& path() const { return folder; }

    // File names in the folder, hidden ones included, sorted.
    std::vector<std::string> names() const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            found.push_back(entry.path().filename().string());
        }
        std::sort(found.begin(), found.end());
        return found;
    }

private:
    std::filesystem::path folder;
};

} // namespace calderine
