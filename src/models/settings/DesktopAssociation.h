// File associations as Linux keeps them: the program's desktop entry
// ("velkor.desktop" in $XDG_DATA_HOME/applications), which names its Exec
// line and the MIME types it opens, and the user's MIME defaults
// ($XDG_CONFIG_HOME/mimeapps.list), which make it the opener of a type.
// The types are those of the format registry's kinds.
#pragma once

#include <string>
#include <utility>
#include <vector>

// A key file (groups of key=value lines) edited in place, so that lines we
// do not own stay as they were.
class CKeyFile {
  public:
    // A missing file reads as empty; one that exists but cannot be read
    // fails, so that it is never replaced by a file without its lines.
    bool Load(const std::string& path);
    // Makes the folder, then replaces the file atomically.
    bool Save(const std::string& path) const;

    // The raw value of `key` in `group` ("[Desktop Entry]"); false when missing.
    bool Get(const std::string& group, const std::string& key, std::string& value) const;
    // Replaces the key's line, or adds it after the group's last line (and
    // the group at the end of the file).
    void Set(const std::string& group, const std::string& key, const std::string& value);
    void Remove(const std::string& group, const std::string& key);

  private:
    std::pair<size_t, size_t> Group(const std::string& group) const;
    size_t Find(const std::string& group, const std::string& key) const;
    std::vector<std::string> m_lines;
};

// The user's MIME defaults: [Default Applications] names a type's opener,
// [Added Associations] the programs offered for it. Other groups stay.
class CMimeApps {
  public:
    static std::string UserPath();
    explicit CMimeApps(std::string path = UserPath()) : m_path(std::move(path)) {}

    bool Load() { return m_file.Load(m_path); }
    bool Save() const { return m_file.Save(m_path); }

    // The desktop id of a type's default application ("eog.desktop"), ""
    // for none.
    std::string DefaultFor(const std::string& mimeType) const;
    // The desktop ids added for a type, in order.
    std::vector<std::string> AddedFor(const std::string& mimeType) const;
    // Makes `desktopId` the type's default and the first of its added ones.
    void MakeDefault(const std::string& mimeType, const std::string& desktopId);

  private:
    std::string m_path;
    CKeyFile m_file;
};

// The program's own desktop entry in the user's applications folder; the
// installed one has the same id, so this one stands in for it.
class CDesktopEntry {
  public:
    static constexpr const char* kFileName = "velkor.desktop";
    static std::string UserPath();
    explicit CDesktopEntry(std::string path = UserPath()) : m_path(std::move(path)) {}

    bool Load() { return m_file.Load(m_path); }
    bool Save() const { return m_file.Save(m_path); }

    // A value of [Desktop Entry], escapes undone; "" when missing.
    std::string Get(const std::string& key) const;
    // Sets a string value, escaped.
    void Set(const std::string& key, const std::string& value);
    // The keys every launcher needs (Type, Name, Exec, Icon, Terminal,
    // Categories), values already present kept, keys older versions wrote
    // removed, and every MIME type of the format registry declared, so that
    // "Open With" offers the program for all of them.
    void Complete(const std::string& name, const std::string& exePath);
    // The MimeType list, in order.
    std::vector<std::string> MimeTypes() const;
    void AddMimeType(const std::string& mimeType);

  private:
    std::string m_path;
    CKeyFile m_file;
};

// Making the program the opener of a kind of file.
class CFileAssociation {
  public:
    static constexpr const char* kTypeDescription = "Velkor Image";

    // folder + file name = the program; typeName = "Velkor", the entry's Name.
    CFileAssociation(std::string folder, std::string fileName, std::string typeName);
    // The running executable, named "Velkor".
    static CFileAssociation ForThisProgram();

    // Makes the program the opener of the MIME type of `extension` (".jpg"),
    // in the order the association's steps take: the type must be known and
    // mimeapps.list readable; the desktop entry is written (Exec line,
    // comment "Velkor Image", the type declared) before mimeapps.list makes
    // it the type's default, so a type never points at an entry that is not
    // there. The first failing step ends it with false; what was written
    // stays.
    bool AssociateExtension(const std::string& extension) const;

    // The MIME type of an extension (".jpg", ".jpeg", any case), its kind's
    // in the format registry, or "".
    static std::string MimeTypeFor(const std::string& extension);
    // The Exec line that opens files with the program.
    std::string ExecLine() const;
    const std::string& ExePath() const { return m_exePath; }

  private:
    std::string m_typeName;
    std::string m_exePath;
};
