#include "models/fileops/Rename.h"

#include "engine/save/NumberedName.h"
#include "models/fileops/FileCopy.h"
#include "models/platform/Path.h"

#include <QString>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace vkfileops {
namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b)
{
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

RenameOutcome Outcome(FileResult result)
{
    switch (result) {
    case FileResult::Ok:
        return RenameOutcome::Ok;
    case FileResult::Exists:
        return RenameOutcome::Exists;
    default:
        return RenameOutcome::Failed;
    }
}

} // namespace

std::string RenameFilePrompt(const std::string& title)
{
    return "Rename '" + title + "' to";
}

std::string RenameDirectoryPrompt(const std::string& last)
{
    return "Rename the directory '" + last + "' to";
}

bool IsValidName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." &&
           name.find(vkpath::kSeparator) == std::string::npos && name.find('\0') == std::string::npos;
}

RenameOutcome RenameFileKeepingExtension(const std::string& dir, const std::string& name,
                                         const std::string& newTitle, std::string& newName,
                                         std::string* error)
{
    const auto ext = vkname::SplitAtLastDot(name).second;
    newName = newTitle + ext;
    if (!IsValidName(newTitle) || !IsValidName(newName))
        return RenameOutcome::Invalid;
    if (newName == name)
        return RenameOutcome::Ok; // nothing to do
    return Outcome(RenameFile(vkpath::Join(dir, name), vkpath::Join(dir, newName), false, error));
}

RenameOutcome RenameDirectory(const std::string& path, const std::string& newLast, std::string& newPath,
                              std::string* error)
{
    const std::string parent = vkpath::Parent(path);
    newPath = vkpath::Join(parent, newLast);
    if (!IsValidName(newLast) || vkpath::IsRoot(path))
        return RenameOutcome::Invalid;
    if (newPath == path)
        return RenameOutcome::Ok;
    return Outcome(RenameFile(path, newPath, false, error));
}

std::vector<std::pair<std::string, std::string>>
PlanRenameSeries(const std::vector<std::string>& listNames, const std::vector<std::string>& pendingNames,
                 const std::string& base)
{
    std::vector<std::pair<std::string, std::string>> plan;
    std::vector<std::string> pending = pendingNames;
    auto titleOf = [](const std::string& name) { return vkname::SplitAtLastDot(name).first; };
    for (long long n = 1; !pending.empty(); ++n) {
        const std::string target = base + std::to_string(n);
        bool taken = false;
        for (const std::string& entry : listNames)
            if (SameIgnoringCase(titleOf(entry), target)) {
                taken = true;
                break;
            }
        if (taken) {
            for (auto it = pending.begin(); it != pending.end(); ++it)
                if (SameIgnoringCase(titleOf(*it), target)) {
                    pending.erase(it);
                    break;
                }
            continue;
        }
        const std::string& from = pending.front();
        plan.emplace_back(from, target + vkname::SplitAtLastDot(from).second);
        pending.erase(pending.begin());
    }
    return plan;
}

int RunRenameSeries(const std::string& dir, const std::vector<std::pair<std::string, std::string>>& plan)
{
    int renamed = 0;
    for (const auto& [from, to] : plan)
        if (IsValidName(to) &&
            RenameFile(vkpath::Join(dir, from), vkpath::Join(dir, to), false) == FileResult::Ok)
            ++renamed;
    return renamed;
}

bool MakeDirectory(const std::string& dir, const std::string& name, std::string* error)
{
    if (!IsValidName(name)) {
        if (error)
            *error = std::strerror(EINVAL);
        return false;
    }
    if (::mkdir(vkpath::Join(dir, name).c_str(), 0777) != 0) {
        if (error)
            *error = std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace vkfileops
