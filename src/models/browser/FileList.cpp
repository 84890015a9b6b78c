#include "models/browser/FileList.h"

#include "engine/picture/FileName.h"
#include "models/platform/Drives.h"
#include "models/platform/FileStatus.h"
#include "models/platform/Path.h"

void CFileList::SetCurrentDir(const std::string& path, bool resetSelection)
{
    previousDir = currentDir;
    previousDrive = currentDrive;
    currentDir = vkpath::StripTrailingSeparator(path);
    currentDrive = currentDir.empty() ? std::string() : vkplatform::MountPointOf(currentDir);
    if (resetSelection) {
        selectedNames.clear();
        selectedTotal = 0;
        currentFile.clear();
    }
}

void CFileList::SetDestinationDir(const std::string& path)
{
    destinationDir = path;
    destinationDrive = path.empty() ? std::string() : vkplatform::MountPointOf(path);
}

void CFileList::AddSelected(const std::string& name)
{
    selectedNames.push_back(name);
    vkplatform::FileStatus status;
    if (vkplatform::GetFileStatus(vkpath::Join(currentDir, name), status))
        selectedTotal += status.size;
}

void CFileList::ClearSelected()
{
    selectedNames.clear();
    selectedTotal = 0;
}

void CFileList::UpdateSelection(size_t count, const std::function<bool(size_t)>& isSelected,
                                const std::function<std::string(size_t)>& text)
{
    ClearSelected();
    for (size_t i = 0; i < count; ++i)
        if (isSelected(i))
            AddSelected(text(i));
    currentFile = selectedNames.empty() ? std::string() : selectedNames.back();
}

void CFileList::UpdateSelection(const std::vector<std::string>& entries, const std::vector<bool>& selected)
{
    const size_t count = std::min(entries.size(), selected.size());
    UpdateSelection(
        count, [&](size_t i) { return static_cast<bool>(selected[i]); },
        [&](size_t i) { return entries[i]; });
}

void CFileList::UpdateSelection(const std::vector<std::string>& selectedInListOrder)
{
    UpdateSelection(
        selectedInListOrder.size(), [](size_t) { return true; },
        [&](size_t i) { return selectedInListOrder[i]; });
}

std::string CFileList::GetSelected(int index) const
{
    if (index < 0 || index >= GetSelectedCount())
        return {};
    return selectedNames[static_cast<size_t>(index)];
}

int CFileList::RememberClipboard()
{
    sourceDir = currentDir;
    names = selectedNames;
    totalSize = selectedTotal;
    return GetClipboardCount();
}

std::string CFileList::GetClipboardName(int index) const
{
    if (index < 0 || index >= GetClipboardCount())
        return {};
    return names[static_cast<size_t>(index)];
}

std::string CFileList::GetExtension(const std::string& name)
{
    const size_t dot = vkname::ExtensionDot(name);
    return dot == std::string::npos ? name : name.substr(dot + 1);
}

std::string CFileList::GetTitle(const std::string& name)
{
    const size_t dot = vkname::ExtensionDot(name);
    return dot == std::string::npos ? std::string() : name.substr(0, dot);
}
