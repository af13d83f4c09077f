#include "tools/render/filesafety/TemporaryName.h"

#include <cctype>
#include <charconv>
#include <cstdio>

namespace calderine {

namespace {

constexpr std::string_view kPrefix = ".calderine-render-";
// Enough for any pid_t, which is a 32-bit int.
constexpr std::size_t kPidDigits = 10;
constexpr std::string_view kUnique = "XXXXXX";
constexpr std::size_t kLength = kPrefix.size() + kPidDigits + 1 + kUnique.size();

} // namespace

std::string TemporaryName::pattern(pid_t owner) {
    char digits[kPidDigits + 1];
    std::snprintf(digits, sizeof digits, "%010d", static_cast<int>(owner));
    std::string name(kPrefix);
    name.append(digits).append(1, '-').append(kUnique);
    return name;
}

std::optional<pid_t> TemporaryName::owner(std::string_view name) {
    if (name.size() != kLength || !name.starts_with(kPrefix) ||
        name[kPrefix.size() + kPidDigits] != '-') {
        return std::nullopt;
    }
    const std::string_view digits = name.substr(kPrefix.size(), kPidDigits);
    for (const char c : name.substr(kLength - kUnique.size())) {
        if (std::isalnum(static_cast<unsigned char>(c)) == 0) {
            return std::nullopt;
        }
    }
    long long pid = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), pid);
    if (error != std::errc{} || end != digits.data() + digits.size() || pid <= 0 ||
        pid > static_cast<long long>(static_cast<pid_t>(~0u >> 1))) {
        return std::nullopt;
    }
    return static_cast<pid_t>(pid);
}

} // namespace calderine
