// The registry module, rebuilt on freedesktop associations: a desktop
// entry "velkor.desktop" in $XDG_DATA_HOME/applications and default
// applications in $XDG_CONFIG_HOME/mimeapps.list. Key paths keep their
// textual form; the keys an association uses map onto those two files:
//   HKEY_CLASSES_ROOT\.ext                    default application of the
//                                             extension's MIME type
//   HKEY_CLASSES_ROOT\<type>                  the entry's Comment
//   HKEY_CLASSES_ROOT\<type>\DefaultIcon      not stored: the entry's Icon is
//                                             the installed theme icon; reads
//                                             as the Exec program + ", 0"
//   HKEY_CLASSES_ROOT\<type>\shell\open\command  the entry's Exec line
// Other keys cannot be created or written.
#pragma once

#include <string>

class CRegistry {
  public:
    static constexpr const char* kReadError = "REGISTRY ERROR";
    static constexpr const char* kTypeDescription = "Velkor Image";
    static constexpr const char* kDesktopFileName = "velkor.desktop";

    // folder + file name = the program; typeName = "Velkor".
    CRegistry(std::string folder, std::string fileName, std::string typeName);

    // The module for the running executable and the type name "Velkor".
    static CRegistry ForThisProgram();

    // Splits "ROOT\sub\key": false unless it starts with "HKEY_" and does
    // not end with "\". Unknown root names mean HKEY_CLASSES_ROOT.
    static bool SplitKeyPath(const std::string& keyPath, std::string& root, std::string& subKey);

    // The default value of a key, or "REGISTRY ERROR".
    std::string GetDefaultValue(const std::string& keyPath) const;
    bool SetDefaultValue(const std::string& keyPath, const std::string& value);
    bool CreateKey(const std::string& keyPath);

    // Makes the program the opener of `extension` (".jpg"). The first
    // failing step ends it with false; what was written stays.
    bool AssociateExtension(const std::string& extension);

    // The MIME type of an associable extension (".jpg", ".jpeg", any case),
    // its kind's in the format registry, or "".
    static std::string MimeTypeFor(const std::string& extension);

    // The two files written.
    static std::string DesktopEntryPath();
    static std::string MimeAppsPath();

    const std::string& ExePath() const { return m_exePath; }

  private:
    std::string m_folder;
    std::string m_fileName;
    std::string m_typeName;
    std::string m_exePath;
};
