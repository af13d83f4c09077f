#include "tools/render/commands/PluginSearch.h"

#include "tools/render/commands/ModuleProbe.h"
#include "tools/render/common/MessageLine.h"
#include "tools/render/common/ProgramName.h"
#include "tools/render/common/TextForms.h"
#include "tools/vsthost/HostError.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <iomanip>
#include <string_view>
#include <system_error>
#include <utility>

// From the build system; the fallback keeps a build without an install prefix compilable.
#ifndef CALDERINE_INSTALL_VST_FOLDER
#define CALDERINE_INSTALL_VST_FOLDER ""
#endif

namespace calderine {

namespace {

constexpr const char* kPathVariable = "VST_PATH";
constexpr const char* kHomeVariable = "HOME";
constexpr char kPathSeparator = ':';
constexpr const char* kModuleExtension = ".so";
constexpr const char* kHomeFolders[] = {".vst", ".lxvst"};
constexpr const char* kSystemFolders[] = {"/usr/local/lib/vst", "/usr/lib/vst"};
constexpr const char* kInstallFolder = CALDERINE_INSTALL_VST_FOLDER;

bool isModuleFile(const std::filesystem::directory_entry& entry) {
    std::error_code error;
    return entry.path().extension() == kModuleExtension && entry.is_regular_file(error);
}

} // namespace

PluginSearch::PluginSearch(const char* vstPath, const char* home,
                           const std::filesystem::path& installFolder) {
    std::vector<std::filesystem::path> wanted;
    if (vstPath != nullptr) {
        std::string_view rest(vstPath);
        for (;;) {
            const auto separator = rest.find(kPathSeparator);
            const std::string_view folder = rest.substr(0, separator);
            // An empty entry names no folder, and a relative one ("~/.vst", which no shell
            // expands inside a value) one under the working folder: either would let a name
            // search load a module from wherever the tool happens to be started.
            if (!folder.empty() && std::filesystem::path(folder).is_absolute()) {
                wanted.emplace_back(folder);
            } else if (!folder.empty()) {
                ignored.emplace_back(folder);
            }
            if (separator == std::string_view::npos) {
                break;
            }
            rest.remove_prefix(separator + 1);
        }
    }
    if (home != nullptr && *home != '\0') {
        for (const char* folder : kHomeFolders) {
            wanted.push_back(std::filesystem::path(home) / folder);
        }
    }
    wanted.insert(wanted.end(), std::begin(kSystemFolders), std::end(kSystemFolders));
    if (!installFolder.empty()) {
        wanted.push_back(installFolder);
    }
    for (const auto& folder : wanted) {
        const auto normal = folder.lexically_normal();
        if (std::find(searched.begin(), searched.end(), normal) == searched.end()) {
            searched.push_back(normal);
        }
    }
}

PluginSearch PluginSearch::fromEnvironment(bool warn) {
    PluginSearch search(std::getenv(kPathVariable), std::getenv(kHomeVariable), kInstallFolder);
    static std::atomic<bool> warned{false};
    if (warn && !search.ignored.empty() && !warned.exchange(true)) {
        std::string list;
        for (const std::string& entry : search.ignored) {
            list += (list.empty() ? "" : ", ") + calderine::quoted(std::filesystem::path(entry));
        }
        writeMessageLine(std::string(kProgramName) + ": warning: " + kPathVariable +
                         ": ignoring what is not an absolute folder: " + list);
    }
    return search;
}

bool PluginSearch::isName(const std::string& value) {
    return value.find('/') == std::string::npos;
}

std::string PluginSearch::describeFolders() const {
    std::string list;
    for (const auto& folder : searched) {
        list += (list.empty() ? "" : ", ") + folder.string();
    }
    return list;
}

std::filesystem::path PluginSearch::find(const std::string& name) const {
    const std::string fileName = std::filesystem::path(name).extension() == kModuleExtension
                                     ? name
                                     : name + kModuleExtension;
    for (const auto& folder : searched) {
        const auto candidate = folder / fileName;
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error)) {
            return candidate;
        }
    }
    throw HostError("no module named '" + fileName + "' in " + describeFolders() +
                    " (set VST_PATH, or give a path)");
}

std::vector<FoundModule> PluginSearch::modules() const {
    std::vector<FoundModule> found;
    std::vector<std::string> names;
    for (const auto& folder : searched) {
        std::error_code error;
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            if (isModuleFile(entry)) {
                files.push_back(entry.path());
            }
        }
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            FoundModule module;
            module.name = file.stem().string();
            module.path = file;
            if (auto problem = ModuleProbe::problem(file)) {
                module.loadable = false;
                module.problem = std::move(*problem);
            }
            module.shadowed = std::find(names.begin(), names.end(), module.name) != names.end();
            names.push_back(module.name);
            found.push_back(module);
        }
    }
    return found;
}

void PluginSearch::writeList(std::ostream& out) const {
    const std::vector<FoundModule> found = modules();
    if (found.empty()) {
        throw HostError("no VST 2.4 modules found; searched " + describeFolders());
    }
    std::size_t width = 0;
    for (const FoundModule& module : found) {
        width = std::max(width, printable(module.name).size());
    }
    for (const FoundModule& module : found) {
        out << std::left << std::setw(static_cast<int>(width)) << printable(module.name) << "  "
            << printable(module.path.string());
        if (!module.loadable) {
            out << "  (" << module.problem << ")";
        } else if (module.shadowed) {
            out << "  (hidden: an earlier folder holds the same name)";
        }
        out << '\n';
    }
}

} // namespace calderine
