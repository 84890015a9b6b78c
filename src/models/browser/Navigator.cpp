#include "models/browser/Navigator.h"

#include "models/browser/FileList.h"
#include "models/platform/Folders.h"
#include "models/platform/Path.h"

#include <QDir>
#include <QString>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <string_view>
#include <unordered_map>

namespace vknav {

std::string EnterNearestAncestor(const std::string& dir)
{
    std::string current = dir;
    while (!current.empty() && !vkpath::IsRoot(current)) {
        current = vkpath::Parent(current);
        if (!current.empty() && vkplatform::EnterDirectory(current))
            return current;
    }
    return {};
}

std::string UnreadableFolderText(const std::string& dir, int error)
{
    return "Cannot read the folder " + dir + ": " + std::strerror(error) + ".";
}

std::string FolderReadProblem(const std::string& dir)
{
    DIR* handle = ::opendir(dir.c_str());
    if (!handle)
        return UnreadableFolderText(dir, errno);
    ::closedir(handle);
    return {};
}

int NeighbourAfterRefill(const std::vector<std::string>& before, int index,
                         const std::vector<std::string>& after)
{
    if (after.empty())
        return -1;
    if (index < 0 || size_t(index) >= before.size())
        return 0;
    std::unordered_map<std::string_view, int> rows;
    for (size_t i = 0; i < after.size(); ++i)
        rows.emplace(after[i], int(i));
    auto rowOf = [&](size_t i) {
        const auto found = rows.find(before[i]);
        return found == rows.end() ? -1 : found->second;
    };
    for (size_t i = size_t(index); i < before.size(); ++i)
        if (const int row = rowOf(i); row >= 0)
            return row;
    for (size_t i = size_t(index); i-- > 0;)
        if (const int row = rowOf(i); row >= 0)
            return row;
    return 0; // none of the old names is left: the first of the new ones
}

bool SameDir(const std::string& a, const std::string& b)
{
    return vkpath::StripTrailingSeparator(a) == vkpath::StripTrailingSeparator(b);
}

std::string ResolveTypedPath(const std::string& typed, const std::string& currentDir, const std::string& home)
{
    QString path = QString::fromStdString(typed).trimmed();
    if (path.isEmpty())
        return {};
    if (path == "~" || path.startsWith("~/"))
        path = QString::fromStdString(home) + path.mid(1);
    else if (!path.startsWith('/'))
        path = QString::fromStdString(currentDir) + '/' + path;
    return QDir::cleanPath(path).toStdString();
}

} // namespace vknav

bool CNavigator::Enter(const std::string& dir)
{
    return !dir.empty() && vkplatform::EnterDirectory(dir);
}

void CNavigator::Record(const std::string& dir)
{
    m_files.SetCurrentDir(vkpath::StripTrailingSeparator(dir), true);
}

std::string CNavigator::EnterStart(const std::string& startupFile, bool startInHome, const std::string& home)
{
    if (!startupFile.empty()) {
        if (!Enter(vkpath::Parent(startupFile)))
            return {};
    } else if (startInHome && !home.empty()) {
        const std::string previous = vkplatform::WorkingDirectory();
        if (!vknav::SameDir(previous, home) && !Enter(home))
            Enter(previous);
    }
    std::string start = vkplatform::WorkingDirectory();
    if (start.empty()) {
        // The inherited directory is gone: these always exist.
        start = vkplatform::HomeDirectory();
        if (!Enter(start)) {
            start = vkplatform::SystemDirectory();
            Enter(start);
        }
    }
    m_files.SetCurrentDir(start, true);
    return start;
}

CNavigator::Recovery CNavigator::EnterCurrentOrNearest()
{
    const std::string current = m_files.GetCurrentDir();
    if (Enter(current))
        return Recovery::Same;
    std::string dir = vknav::EnterNearestAncestor(current);
    if (dir.empty()) {
        dir = vkplatform::SystemDirectory();
        if (!Enter(dir))
            return Recovery::Lost;
    }
    Record(dir);
    return Recovery::Moved;
}

size_t CNavigator::AddRecentFolder()
{
    const int found = FindRecentFolder(m_files.GetCurrentDir());
    if (found >= 0)
        return size_t(found);
    m_recent.push_back(m_files.GetCurrentDir());
    return m_recent.size() - 1;
}

int CNavigator::FindRecentFolder(const std::string& dir) const
{
    for (size_t i = 0; i < m_recent.size(); ++i)
        if (vknav::SameDir(m_recent[i], dir))
            return int(i);
    return -1;
}
