// Finds VST 2.4 modules by name in the folders Linux hosts scan: the absolute folders of
// VST_PATH (colon-separated; a relative or empty entry would search wherever the tool is
// started, so it is left out, with a warning for a relative one), then ~/.vst, ~/.lxvst,
// /usr/local/lib/vst, /usr/lib/vst and the lib/vst folder of the prefix this tool was built to be
// installed in. Only the folders themselves are searched, not their subfolders; the first folder
// holding a name wins.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace calderine {

struct FoundModule {
    std::string name; // the file name without its extension, as --plugin takes it
    std::filesystem::path path;
    bool loadable = true; // a library exporting a VST 2.4 entry point
    // Why it is not loadable: "not a VST 2.4 module", "crashed while loading: signal 11", ...
    std::string problem;
    bool shadowed = false; // an earlier folder holds a module of the same name
};

class PluginSearch {
public:
    // vstPath and home as the environment gives them, null when unset; installFolder: the
    // installed module folder, empty for none.
    PluginSearch(const char* vstPath, const char* home, const std::filesystem::path& installFolder);
    // From VST_PATH, HOME and the install prefix of the build; when `warn`, names the
    // VST_PATH entries left out on standard error, once in a run.
    static PluginSearch fromEnvironment(bool warn = true);

    // A --plugin value without a slash is a name to search for; with one, a path.
    static bool isName(const std::string& value);

    // The folders in search order, each once.
    const std::vector<std::filesystem::path>& folders() const noexcept { return searched; }
    // The VST_PATH entries left out as relative, in their order.
    const std::vector<std::string>& ignoredEntries() const noexcept { return ignored; }

    // "calderine" or "calderine.so": the first such module file; throws HostError naming the
    // folders searched when there is none.
    std::filesystem::path find(const std::string& name) const;

    // Every module file in the folders, in search order and by name within a folder.
    std::vector<FoundModule> modules() const;

    // One line per module, name then path; throws HostError naming the folders when none is
    // found.
    void writeList(std::ostream& out) const;

private:
    std::string describeFolders() const;

    std::vector<std::filesystem::path> searched;
    std::vector<std::string> ignored;
};

} // namespace calderine
