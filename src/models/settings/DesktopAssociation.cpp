#include "models/settings/DesktopAssociation.h"

#include "engine/picture/FormatRegistry.h"
#include "engine/picture/OutputFile.h"
#include "models/platform/FileStatus.h"
#include "models/platform/Folders.h"
#include "models/platform/Path.h"
#include "models/settings/Settings.h"

#include <algorithm>
#include <sstream>

namespace {

constexpr const char* kDefaultGroup = "[Default Applications]";
constexpr const char* kAddedGroup = "[Added Associations]";
constexpr const char* kEntryGroup = "[Desktop Entry]";
// Keys that older versions wrote into the entry.
constexpr const char* kStrayKeys[] = {"X-Velkor-DefaultIcon", "X-Velkor-Command"};

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

// The items of a ";"-separated list value.
std::vector<std::string> ListItems(const std::string& list)
{
    std::vector<std::string> items;
    std::string current;
    for (char c : list + ";") {
        if (c != ';') {
            current += c;
        } else if (!current.empty()) {
            items.push_back(current);
            current.clear();
        }
    }
    return items;
}

// `item` added to a list value, first when `first`, once.
std::string WithListItem(const std::string& list, const std::string& item, bool first)
{
    std::vector<std::string> items = ListItems(list);
    std::erase(items, item);
    items.insert(first ? items.begin() : items.end(), item);
    std::string joined;
    for (const auto& i : items)
        joined += i + ";";
    return joined;
}

} // namespace

bool CKeyFile::Load(const std::string& path)
{
    m_lines.clear();
    if (!vkplatform::Exists(path))
        return true;
    std::string text;
    if (!ReadSmallFile(path, text, 16u << 20))
        return false;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        m_lines.push_back(line);
    return true;
}

bool CKeyFile::Save(const std::string& path) const
{
    if (!vkplatform::MakePath(vkpath::Parent(path)))
        return false;
    std::string text;
    for (const auto& line : m_lines)
        text += line + "\n";
    return WriteFileAtomically(path, text);
}

// Index range [begin, end) of a group's body; begin = npos when missing.
std::pair<size_t, size_t> CKeyFile::Group(const std::string& group) const
{
    size_t begin = std::string::npos;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (begin == std::string::npos) {
            if (m_lines[i] == group)
                begin = i + 1;
        } else if (!m_lines[i].empty() && m_lines[i].front() == '[') {
            return {begin, i};
        }
    }
    return {begin, m_lines.size()};
}

size_t CKeyFile::Find(const std::string& group, const std::string& key) const
{
    auto [begin, end] = Group(group);
    if (begin == std::string::npos)
        return std::string::npos;
    for (size_t i = begin; i < end; ++i) {
        const std::string& line = m_lines[i];
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

bool CKeyFile::Get(const std::string& group, const std::string& key, std::string& value) const
{
    const size_t at = Find(group, key);
    if (at == std::string::npos)
        return false;
    const std::string& line = m_lines[at];
    size_t start = line.find('=') + 1;
    while (start < line.size() && line[start] == ' ')
        ++start;
    value = line.substr(start);
    return true;
}

void CKeyFile::Set(const std::string& group, const std::string& key, const std::string& value)
{
    auto [begin, end] = Group(group);
    if (begin == std::string::npos) {
        if (!m_lines.empty() && !m_lines.back().empty())
            m_lines.push_back("");
        m_lines.push_back(group);
        m_lines.push_back(key + "=" + value);
        return;
    }
    if (const size_t at = Find(group, key); at != std::string::npos) {
        m_lines[at] = key + "=" + value;
        return;
    }
    // After the group's last non-empty line.
    size_t insert = end;
    while (insert > begin && m_lines[insert - 1].empty())
        --insert;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insert), key + "=" + value);
}

void CKeyFile::Remove(const std::string& group, const std::string& key)
{
    if (const size_t at = Find(group, key); at != std::string::npos)
        m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(at));
}

std::string CMimeApps::UserPath()
{
    return vkpath::Join(vkplatform::XdgConfigHome(), "mimeapps.list");
}

std::string CMimeApps::DefaultFor(const std::string& mimeType) const
{
    std::string value;
    if (!m_file.Get(kDefaultGroup, mimeType, value))
        return {};
    const std::vector<std::string> ids = ListItems(value);
    return ids.empty() ? std::string() : ids.front();
}

std::vector<std::string> CMimeApps::AddedFor(const std::string& mimeType) const
{
    std::string value;
    m_file.Get(kAddedGroup, mimeType, value);
    return ListItems(value);
}

void CMimeApps::MakeDefault(const std::string& mimeType, const std::string& desktopId)
{
    m_file.Set(kDefaultGroup, mimeType, desktopId + ";");
    std::string added;
    m_file.Get(kAddedGroup, mimeType, added);
    m_file.Set(kAddedGroup, mimeType, WithListItem(added, desktopId, true));
}

std::string CDesktopEntry::UserPath()
{
    return vkpath::Join(vkpath::Join(vkplatform::XdgDataHome(), "applications"), kFileName);
}

std::string CDesktopEntry::Get(const std::string& key) const
{
    std::string value;
    return m_file.Get(kEntryGroup, key, value) ? UnescapeValue(value) : std::string();
}

void CDesktopEntry::Set(const std::string& key, const std::string& value)
{
    m_file.Set(kEntryGroup, key, EscapeValue(value));
}

void CDesktopEntry::Complete(const std::string& name, const std::string& exePath)
{
    std::string value;
    const std::pair<const char*, std::string> needed[] = {
        {"Type", "Application"},
        {"Name", name},
        {"Exec", QuoteExecArgument(exePath) + " %F"},
        {"Icon", "velkor"}, // the themed icon the install puts in hicolor
        {"Terminal", "false"},
        {"Categories", "Graphics;Viewer;2DGraphics;RasterGraphics;"},
    };
    for (const auto& [key, initial] : needed)
        if (!m_file.Get(kEntryGroup, key, value))
            Set(key, initial);
    for (const char* stray : kStrayKeys)
        m_file.Remove(kEntryGroup, stray);
    for (const FileKind* kind : AssociationKinds())
        AddMimeType(kind->mimeType);
}

std::vector<std::string> CDesktopEntry::MimeTypes() const
{
    return ListItems(Get("MimeType"));
}

void CDesktopEntry::AddMimeType(const std::string& mimeType)
{
    std::string types;
    m_file.Get(kEntryGroup, "MimeType", types);
    if (const std::vector<std::string> items = ListItems(types);
        std::find(items.begin(), items.end(), mimeType) == items.end())
        m_file.Set(kEntryGroup, "MimeType", WithListItem(types, mimeType, false));
}

CFileAssociation::CFileAssociation(std::string folder, std::string fileName, std::string typeName)
    : m_typeName(std::move(typeName)),
      // Kept in its own case: Linux file names are case-sensitive.
      m_exePath(vkpath::Join(folder, fileName))
{
}

CFileAssociation CFileAssociation::ForThisProgram()
{
    const std::string exe = vkplatform::ExecutablePath();
    return CFileAssociation(vkpath::Parent(exe), vkpath::FileName(exe), "Velkor");
}

std::string CFileAssociation::MimeTypeFor(const std::string& extension)
{
    if (extension.size() < 2 || extension[0] != '.')
        return {};
    const FileKind* kind = FileKindOfExtension(std::string_view(extension).substr(1));
    return kind ? kind->mimeType : std::string();
}

std::string CFileAssociation::ExecLine() const
{
    return QuoteExecArgument(m_exePath) + " %F";
}

bool CFileAssociation::AssociateExtension(const std::string& extension) const
{
    const std::string mimeType = MimeTypeFor(extension);
    CMimeApps defaults;
    if (mimeType.empty() || !defaults.Load())
        return false;
    CDesktopEntry entry;
    if (!entry.Load())
        return false;
    entry.Complete(m_typeName, m_exePath);
    entry.Set("Exec", ExecLine());
    entry.Set("Comment", kTypeDescription);
    entry.AddMimeType(mimeType);
    if (!entry.Save())
        return false;
    defaults.MakeDefault(mimeType, CDesktopEntry::kFileName);
    return defaults.Save();
}
