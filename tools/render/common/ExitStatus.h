// The exit statuses of calderine-render, as scripts rely on them and --help lists them.
#pragma once

namespace calderine {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1; // the run failed: a file, the module, the effect
inline constexpr int kExitUsage = 2;   // the command line asks for something wrong
// A run stopped by signal N ends, as a shell reports it, with 128 + N.
inline constexpr int kExitSignalBase = 128;

} // namespace calderine
