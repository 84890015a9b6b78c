// Environment variables and the working directory put back as they were
// when the test ends, for tests that point HOME, the XDG folders, PATH or
// the configuration folder somewhere temporary.
#pragma once

#include <cstdlib>
#include <initializer_list>
#include <string>
#include <unistd.h>
#include <vector>

namespace vktest {

class ScopedEnv {
  public:
    explicit ScopedEnv(std::initializer_list<const char*> names)
    {
        for (const char* name : names) {
            const char* v = std::getenv(name);
            m_saved.push_back({name, v ? v : "", v != nullptr});
        }
        char buffer[4096];
        m_cwd = ::getcwd(buffer, sizeof buffer) ? buffer : "/";
    }
    ~ScopedEnv()
    {
        for (const Saved& s : m_saved) {
            if (s.set)
                ::setenv(s.name.c_str(), s.value.c_str(), 1);
            else
                ::unsetenv(s.name.c_str());
        }
        if (::chdir(m_cwd.c_str()) != 0) {
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    static void Set(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }
    static void Unset(const char* name) { ::unsetenv(name); }

  private:
    struct Saved {
        std::string name, value;
        bool set;
    };
    std::vector<Saved> m_saved;
    std::string m_cwd;
};

} // namespace vktest
