// The name calderine-render gives itself in every message and in --version.
#pragma once

namespace calderine {

inline constexpr const char* kProgramName = "calderine-render";

} // namespace calderine
