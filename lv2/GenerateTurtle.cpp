// Writes the bundle's description files: calderine-lv2-turtle BUNDLE_DIR BINARY_FILE.
// Runs at build time, so the shipped files always describe the module built beside them.
#include "effect/EffectCore.h"
#include "lv2/TurtleWriter.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// Whole or not at all: a build stopped half way leaves no truncated description behind.
bool writeFile(const std::filesystem::path& path, const std::string& text) {
    const std::filesystem::path temporary = path.string() + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            std::fprintf(stderr, "cannot write '%s'\n", temporary.c_str());
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::fprintf(stderr, "cannot write '%s': %s\n", path.c_str(), error.message().c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: calderine-lv2-turtle BUNDLE_DIR BINARY_FILE\n");
        return 2;
    }
    const std::filesystem::path bundle = argv[1];
    calderine::EffectCore effect;
    if (!effect.setSampleRate(calderine::EffectCore::kMaxSampleRate)) {
        std::fprintf(stderr, "the effect refused its own highest sample rate\n");
        return 1;
    }
    const calderine::lv2::PluginVersion version{CALDERINE_VERSION_MINOR, CALDERINE_VERSION_PATCH};
    const bool written = writeFile(bundle / "manifest.ttl",
                                   calderine::lv2::manifestTurtle(argv[2], "calderine.ttl")) &&
                         writeFile(bundle / "calderine.ttl",
                                   calderine::lv2::pluginTurtle(version, effect.latency()));
    return written ? 0 : 1;
}
