// A folder in which nothing can be created or replaced, for the failure
// cases of writers: mode 0555 for an ordinary user, and for root (whom
// modes do not stop) a small file system mounted read-only on it.
#pragma once

#include <cstdio>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace vktest {

class ReadOnlyFolder {
  public:
    // Creates `path` holding `files` (name, contents), then locks it.
    ReadOnlyFolder(std::string path, const std::vector<std::pair<std::string, std::string>>& files)
        : m_path(std::move(path))
    {
        if (::mkdir(m_path.c_str(), 0755) != 0)
            return;
        m_root = ::geteuid() == 0;
        if (m_root && ::mount("tmpfs", m_path.c_str(), "tmpfs", 0, "size=64k") != 0)
            return;
        m_mounted = m_root;
        for (const auto& [name, bytes] : files)
            if (!WriteAll(m_path + "/" + name, bytes))
                return;
        m_locked = m_root ? ::mount(nullptr, m_path.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0
                          : ::chmod(m_path.c_str(), 0555) == 0;
    }
    ~ReadOnlyFolder()
    {
        if (m_mounted)
            ::umount(m_path.c_str());
        else
            ::chmod(m_path.c_str(), 0755);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // False where the folder could not be locked here (no mount for root).
    bool Locked() const { return m_locked; }
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

  private:
    static bool WriteAll(const std::string& file, const std::string& bytes)
    {
        std::FILE* f = std::fopen(file.c_str(), "wb");
        if (!f)
            return false;
        const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        return std::fclose(f) == 0 && ok;
    }

    std::string m_path;
    bool m_root = false;
    bool m_mounted = false;
    bool m_locked = false;
};

} // namespace vktest
