// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdlib>
#include <ctime>
#include <map>
#include <optional>
#include <string>

namespace corvalin {

// Sets environment variables for a scope and puts the old values back after
// (the time zone included: tzset() follows each change).
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const std::string& name, const std::string& value) { Set(name, value); }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) {
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        }
        tzset();
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void Set(const std::string& name, const std::string& value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        setenv(name.c_str(), value.c_str(), 1);
        tzset();
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

// Sets TZ for one scope.
class ZoneScope : public ScopedEnvironment {
public:
    explicit ZoneScope(const char* zone) : ScopedEnvironment("TZ", zone) {}
};

}  // namespace corvalin
