#include "models/settings/Registry.h"

#include "engine/picture/OutputFile.h"
#include "models/platform/FileStatus.h"
#include "models/platform/Folders.h"
#include "models/platform/Path.h"
#include "models/settings/Settings.h"

#include <cctype>
#include <sstream>
#include <vector>

namespace {

constexpr const char* kRootNames[] = {
    "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};
constexpr const char* kClassesRoot = "HKEY_CLASSES_ROOT";
constexpr const char* kDefaultGroup = "[Default Applications]";
constexpr const char* kAddedGroup = "[Added Associations]";
constexpr const char* kEntryGroup = "[Desktop Entry]";
constexpr const char* kIconSuffix = "\\DefaultIcon";
constexpr const char* kCommandSuffix = "\\shell\\open\\command";
// A value longer than the reader's 255-byte buffer cannot be read back.
constexpr size_t kMaxValueBytes = 254;

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines)
{
    std::string out;
    for (const auto& line : lines)
        out += line + "\n";
    return out;
}

// Desktop entry string values escape "\" and line breaks.
std::string EscapeValue(const std::string& value)
{
    std::string out;
    for (char c : value) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else
            out += c;
    }
    return out;
}

std::string UnescapeValue(const std::string& value)
{
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char c = value[++i];
            out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c == 's' ? ' ' : c;
        } else {
            out += value[i];
        }
    }
    return out;
}

// One argument of an Exec line, quoted by the desktop entry rules.
std::string QuoteExecArgument(const std::string& argument)
{
    std::string out = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// "path" "%1" (the open command) becomes an Exec line taking one file.
std::string ExecFromCommand(const std::string& command)
{
    if (command.size() > 7 && command.front() == '"' && command.ends_with("\" \"%1\"")) {
        const std::string program = command.substr(1, command.size() - 7);
        if (program.find('"') == std::string::npos)
            return QuoteExecArgument(program) + " %F";
    }
    std::string exec = command;
    for (size_t at; (at = exec.find("\"%1\"")) != std::string::npos;)
        exec.replace(at, 4, "%F");
    for (size_t at; (at = exec.find("%1")) != std::string::npos;)
        exec.replace(at, 2, "%F");
    return exec;
}

// Splits an Exec line into its program (quotes and escapes removed) and the
// rest; false when a quoted program is not closed.
bool SplitExec(const std::string& exec, std::string& program, std::string& rest)
{
    program.clear();
    if (exec.empty() || exec.front() != '"') {
        const size_t space = exec.find(' ');
        program = exec.substr(0, space);
        rest = space == std::string::npos ? std::string() : exec.substr(space);
        return !program.empty();
    }
    for (size_t i = 1; i < exec.size(); ++i) {
        if (exec[i] == '"') {
            rest = exec.substr(i + 1);
            return !program.empty();
        }
        if (exec[i] == '\\' && i + 1 < exec.size())
            ++i;
        program += exec[i];
    }
    return false;
}

// The open command an Exec line stands for, in the "path" "%1" form.
std::string CommandFromExec(const std::string& exec)
{
    std::string program, rest;
    if (SplitExec(exec, program, rest) && (rest == " %F" || rest == " %f"))
        return "\"" + program + "\" \"%1\"";
    std::string command = exec;
    for (size_t at; (at = command.find("%F")) != std::string::npos;)
        command.replace(at, 2, "\"%1\"");
    return command;
}

// A key=value file in groups, edited in place so that lines we do not own
// stay as they were.
struct IniText {
    std::vector<std::string> lines;

    // Index range [begin, end) of a group's body; begin = npos when missing.
    std::pair<size_t, size_t> Group(const std::string& header) const
    {
        size_t begin = std::string::npos;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (begin == std::string::npos) {
                if (lines[i] == header)
                    begin = i + 1;
            } else if (!lines[i].empty() && lines[i].front() == '[') {
                return {begin, i};
            }
        }
        return {begin, lines.size()};
    }

    // The line index of `key` in the group, or npos.
    size_t Find(const std::string& header, const std::string& key) const
    {
        auto [begin, end] = Group(header);
        if (begin == std::string::npos)
            return std::string::npos;
        for (size_t i = begin; i < end; ++i) {
            const std::string& line = lines[i];
            const size_t eq = line.find('=');
            if (eq == std::string::npos)
                continue;
            std::string k = line.substr(0, eq);
            while (!k.empty() && k.back() == ' ')
                k.pop_back();
            if (k == key)
                return i;
        }
        return std::string::npos;
    }

    bool Get(const std::string& header, const std::string& key, std::string& value) const
    {
        const size_t at = Find(header, key);
        if (at == std::string::npos)
            return false;
        const std::string& line = lines[at];
        size_t start = line.find('=') + 1;
        while (start < line.size() && line[start] == ' ')
            ++start;
        value = line.substr(start);
        return true;
    }

    void Set(const std::string& header, const std::string& key, const std::string& value)
    {
        auto [begin, end] = Group(header);
        if (begin == std::string::npos) {
            if (!lines.empty() && !lines.back().empty())
                lines.push_back("");
            lines.push_back(header);
            lines.push_back(key + "=" + value);
            return;
        }
        if (const size_t at = Find(header, key); at != std::string::npos) {
            lines[at] = key + "=" + value;
            return;
        }
        // After the group's last non-empty line.
        size_t insert = end;
        while (insert > begin && lines[insert - 1].empty())
            --insert;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insert), key + "=" + value);
    }

    void Remove(const std::string& header, const std::string& key)
    {
        if (const size_t at = Find(header, key); at != std::string::npos)
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
    }
};

// A missing file reads as empty; one that exists but cannot be read fails,
// so that it is never replaced by a file without its old entries.
bool LoadIni(const std::string& path, IniText& ini)
{
    ini.lines.clear();
    if (!vkplatform::Exists(path))
        return true;
    std::string text;
    if (!ReadSmallFile(path, text, 16u << 20))
        return false;
    ini.lines = SplitLines(text);
    return true;
}

bool SaveIni(const std::string& path, const IniText& ini)
{
    if (!vkplatform::MakePath(vkpath::Parent(path)))
        return false;
    return WriteFileAtomically(path, JoinLines(ini.lines));
}

} // namespace

CRegistry::CRegistry(std::string folder, std::string fileName, std::string typeName)
    : m_folder(std::move(folder)), m_fileName(std::move(fileName)), m_typeName(std::move(typeName))
{
    // Kept in its own case: Linux file names are case-sensitive.
    m_exePath = vkpath::Join(m_folder, m_fileName);
}

CRegistry CRegistry::ForThisProgram()
{
    const std::string exe = vkplatform::ExecutablePath();
    return CRegistry(vkpath::Parent(exe), vkpath::FileName(exe), "Velkor");
}

bool CRegistry::SplitKeyPath(const std::string& keyPath, std::string& root, std::string& subKey)
{
    if (keyPath.rfind("HKEY_", 0) != 0 || keyPath.back() == '\\')
        return false;
    const size_t slash = keyPath.find('\\');
    const std::string name = slash == std::string::npos ? keyPath : keyPath.substr(0, slash);
    subKey = slash == std::string::npos ? std::string() : keyPath.substr(slash + 1);
    root = kClassesRoot;
    for (const char* known : kRootNames)
        if (name == known)
            root = known;
    return true;
}

std::string CRegistry::MimeTypeFor(const std::string& extension)
{
    if (extension.size() < 2 || extension[0] != '.')
        return {};
    const FileKind* kind = FileKindOfExtension(std::string_view(extension).substr(1));
    return kind ? kind->mimeType : std::string();
}

std::string CRegistry::DesktopEntryPath()
{
    return vkpath::Join(vkpath::Join(vkplatform::XdgDataHome(), "applications"), kDesktopFileName);
}

std::string CRegistry::MimeAppsPath()
{
    return vkpath::Join(vkplatform::XdgConfigHome(), "mimeapps.list");
}

namespace {

enum class KeyKind { Unknown, Extension, Type, Icon, Command };

KeyKind Classify(const std::string& keyPath, const std::string& typeName, std::string& extension)
{
    std::string root, subKey;
    if (!CRegistry::SplitKeyPath(keyPath, root, subKey) || root != kClassesRoot || subKey.empty())
        return KeyKind::Unknown;
    if (subKey.front() == '.' && subKey.find('\\') == std::string::npos) {
        extension = subKey;
        return CRegistry::MimeTypeFor(subKey).empty() ? KeyKind::Unknown : KeyKind::Extension;
    }
    if (Lower(subKey) == Lower(typeName))
        return KeyKind::Type;
    if (Lower(subKey) == Lower(typeName + kIconSuffix))
        return KeyKind::Icon;
    if (Lower(subKey) == Lower(typeName + kCommandSuffix))
        return KeyKind::Command;
    return KeyKind::Unknown;
}

// Keys that older versions wrote into the entry.
constexpr const char* kStrayKeys[] = {"X-Velkor-DefaultIcon", "X-Velkor-Command"};

std::string WithListItem(const std::string& list, const std::string& item, bool first);

// The desktop entry with the keys every launcher needs, as the installed
// entry has them; values of ours already present are kept.
void CompleteEntry(IniText& entry, const std::string& typeName, const std::string& exePath)
{
    std::string value;
    if (!entry.Get(kEntryGroup, "Type", value))
        entry.Set(kEntryGroup, "Type", "Application");
    if (!entry.Get(kEntryGroup, "Name", value))
        entry.Set(kEntryGroup, "Name", EscapeValue(typeName));
    if (!entry.Get(kEntryGroup, "Exec", value))
        entry.Set(kEntryGroup, "Exec", EscapeValue(QuoteExecArgument(exePath) + " %F"));
    // The themed icon the install puts in hicolor.
    if (!entry.Get(kEntryGroup, "Icon", value))
        entry.Set(kEntryGroup, "Icon", "velkor");
    if (!entry.Get(kEntryGroup, "Terminal", value))
        entry.Set(kEntryGroup, "Terminal", "false");
    if (!entry.Get(kEntryGroup, "Categories", value))
        entry.Set(kEntryGroup, "Categories", "Graphics;Viewer;2DGraphics;RasterGraphics;");
    for (const char* stray : kStrayKeys)
        entry.Remove(kEntryGroup, stray);
    // Every type the program opens, so that "Open With" offers it even for
    // the types the user did not make it the default of.
    std::string types;
    entry.Get(kEntryGroup, "MimeType", types);
    std::string all = types;
    for (const FileKind* kind : AssociationKinds())
        all = WithListItem(all, kind->mimeType, false);
    if (all != types)
        entry.Set(kEntryGroup, "MimeType", all);
}

// Adds `item` to a ";"-separated list value, first when `first`.
std::string WithListItem(const std::string& list, const std::string& item, bool first)
{
    std::vector<std::string> items;
    std::string current;
    for (char c : list) {
        if (c == ';') {
            if (!current.empty())
                items.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        items.push_back(current);
    std::vector<std::string> out;
    if (first)
        out.push_back(item);
    for (const auto& i : items)
        if (i != item)
            out.push_back(i);
    if (!first)
        out.push_back(item);
    std::string joined;
    for (const auto& i : out)
        joined += i + ";";
    return joined;
}

std::string DesktopIdFor(const std::string& typeName)
{
    return Lower(typeName) + ".desktop";
}

} // namespace

std::string CRegistry::GetDefaultValue(const std::string& keyPath) const
{
    std::string extension;
    const KeyKind kind = Classify(keyPath, m_typeName, extension);
    std::string value;
    IniText ini;
    switch (kind) {
    case KeyKind::Unknown:
        return kReadError;
    case KeyKind::Extension: {
        if (!vkplatform::Exists(MimeAppsPath()) || !LoadIni(MimeAppsPath(), ini) ||
            !ini.Get(kDefaultGroup, MimeTypeFor(extension), value))
            return kReadError;
        const std::string id = value.substr(0, value.find(';'));
        if (id == DesktopIdFor(m_typeName))
            value = m_typeName;
        else if (id.ends_with(".desktop"))
            value = id.substr(0, id.size() - 8);
        else
            value = id;
        break;
    }
    default: {
        // The icon and command keys both stand for the Exec line: the command
        // it runs, and the icon of the program it runs (the entry's Icon is
        // the installed one).
        if (!vkplatform::Exists(DesktopEntryPath()) || !LoadIni(DesktopEntryPath(), ini) ||
            !ini.Get(kEntryGroup, kind == KeyKind::Type ? "Comment" : "Exec", value))
            return kReadError;
        value = UnescapeValue(value);
        std::string program, rest;
        if (kind == KeyKind::Command)
            value = CommandFromExec(value);
        else if (kind == KeyKind::Icon)
            value = SplitExec(value, program, rest) ? program + ", 0" : std::string(kReadError);
        break;
    }
    }
    return value.size() > kMaxValueBytes ? std::string(kReadError) : value;
}

bool CRegistry::CreateKey(const std::string& keyPath)
{
    std::string extension;
    const KeyKind kind = Classify(keyPath, m_typeName, extension);
    IniText ini;
    switch (kind) {
    case KeyKind::Unknown:
        return false;
    case KeyKind::Extension:
        // The key is the MIME type's line, written when its value is set;
        // creating it only needs a readable list in a folder that exists.
        return LoadIni(MimeAppsPath(), ini) && vkplatform::MakePath(vkplatform::XdgConfigHome());
    default:
        if (!LoadIni(DesktopEntryPath(), ini))
            return false;
        CompleteEntry(ini, m_typeName, m_exePath);
        return SaveIni(DesktopEntryPath(), ini);
    }
}

bool CRegistry::SetDefaultValue(const std::string& keyPath, const std::string& value)
{
    std::string extension;
    const KeyKind kind = Classify(keyPath, m_typeName, extension);
    if (kind == KeyKind::Unknown)
        return false;
    if (kind == KeyKind::Extension) {
        // The value names a file type; ours is the desktop entry written here.
        if (value.empty() || value.find_first_of(";=\n\r[]/") != std::string::npos)
            return false;
        const std::string mime = MimeTypeFor(extension);
        const std::string id = DesktopIdFor(value);
        IniText list;
        if (!LoadIni(MimeAppsPath(), list))
            return false;
        list.Set(kDefaultGroup, mime, id + ";");
        std::string added;
        list.Get(kAddedGroup, mime, added);
        list.Set(kAddedGroup, mime, WithListItem(added, id, true));
        if (!SaveIni(MimeAppsPath(), list))
            return false;
        if (Lower(value) != Lower(m_typeName))
            return true;
        // The entry must also declare the type, or launchers ignore it.
        IniText entry;
        if (!LoadIni(DesktopEntryPath(), entry))
            return false;
        CompleteEntry(entry, m_typeName, m_exePath);
        std::string types;
        entry.Get(kEntryGroup, "MimeType", types);
        entry.Set(kEntryGroup, "MimeType", WithListItem(types, mime, false));
        return SaveIni(DesktopEntryPath(), entry);
    }
    IniText entry;
    if (!LoadIni(DesktopEntryPath(), entry))
        return false;
    CompleteEntry(entry, m_typeName, m_exePath);
    // The icon is the installed theme icon whatever is written; writing it
    // only needs the entry in place.
    if (kind == KeyKind::Type)
        entry.Set(kEntryGroup, "Comment", EscapeValue(value));
    else if (kind == KeyKind::Command)
        entry.Set(kEntryGroup, "Exec", EscapeValue(ExecFromCommand(value)));
    return SaveIni(DesktopEntryPath(), entry);
}

bool CRegistry::AssociateExtension(const std::string& extension)
{
    const std::string classes = std::string(kClassesRoot) + "\\";
    const std::string typeKey = classes + m_typeName;
    return CreateKey(classes + extension) && CreateKey(typeKey + kIconSuffix) &&
           CreateKey(typeKey + kCommandSuffix) && SetDefaultValue(classes + extension, m_typeName) &&
           SetDefaultValue(typeKey + kIconSuffix, m_exePath + ", 0") &&
           SetDefaultValue(typeKey + kCommandSuffix, "\"" + m_exePath + "\" \"%1\"") &&
           SetDefaultValue(typeKey, kTypeDescription);
}
