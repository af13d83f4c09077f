// What one run of calderine-render was asked to do.
#pragma once

#include <filesystem>
#include <optional>

namespace calderine {

enum class RenderAction { Help, Info };

struct RenderOptions {
    RenderAction action = RenderAction::Help;
    // The module to load; the built calderine module when absent.
    std::optional<std::filesystem::path> modulePath;
};

} // namespace calderine
