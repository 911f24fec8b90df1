#pragma once
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

// Unsets every variable the framework reads for the lifetime of the object
// and puts back what was there before.
class CleanEnvironment {
public:
    CleanEnvironment() {
        for (const char* name : kNames) {
            const char* value = std::getenv(name);
            m_saved[name] = value ? std::optional<std::string>(value) : std::nullopt;
            ::unsetenv(name);
        }
    }
    ~CleanEnvironment() {
        for (const auto& [name, value] : m_saved) {
            if (value) ::setenv(name.c_str(), value->c_str(), 1);
            else ::unsetenv(name.c_str());
        }
    }
    CleanEnvironment(const CleanEnvironment&) = delete;
    CleanEnvironment& operator=(const CleanEnvironment&) = delete;

    void set(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }
    void unset(const char* name) { ::unsetenv(name); }

private:
    static constexpr const char* kNames[] = {"KXRT_INDATA_DIR", "KXRT_OUTDATA_DIR", "KXRT_RESULT_DIR",
                                             "KXRT_SCRIPT_DIR", "KXRT_CONFIG_DIR", "KXRT_RELATIVE_PATH",
                                             "KXRT_PLAT_TARG",  "Uname"};
    std::map<std::string, std::optional<std::string>> m_saved;
};
