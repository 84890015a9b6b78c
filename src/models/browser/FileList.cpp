#include "models/browser/FileList.h"

#include "models/browser/DirectoryFill.h"
#include "models/platform/Drives.h"
#include "models/platform/FileStatus.h"
#include "models/platform/Path.h"

#include <QItemSelection>

#include <climits>

namespace {

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

CFileList::CFileList(QObject* parent)
    : QAbstractListModel(parent), m_selection(new QItemSelectionModel(this, this))
{
    connect(m_selection, &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_applying == 0)
            emit SelectionEdited();
    });
}

CFileList::~CFileList() = default;

int CFileList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

QVariant CFileList::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count())
        return {};
    const size_t row = size_t(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return Q(m_entries[row]);
    case PathRole:
        return Q(EntryPath(index.row()));
    case IsFolderRole:
        return false;
    case SizeRole:
        return qulonglong(StatusOf(row).size);
    case DateRole:
        return qlonglong(StatusOf(row).lastWrite);
    default:
        return {};
    }
}

Qt::ItemFlags CFileList::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

QHash<int, QByteArray> CFileList::roleNames() const
{
    QHash<int, QByteArray> roles = QAbstractListModel::roleNames();
    roles[PathRole] = "path";
    roles[IsFolderRole] = "isFolder";
    roles[SizeRole] = "size";
    roles[DateRole] = "date";
    return roles;
}

const CFileList::Status& CFileList::StatusOf(size_t row) const
{
    std::optional<Status>& cached = m_status[row];
    if (!cached) {
        cached.emplace();
        vkplatform::FileStatus status;
        if (vkplatform::GetFileStatus(vkpath::Join(m_entriesDir, m_entries[row]), status)) {
            cached->size = status.size;
            cached->lastWrite = status.lastWriteTime;
        }
    }
    return *cached;
}

// ---------------------------------------------------------------------------
// Entries

void CFileList::SetEntries(std::vector<std::string> entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    // A list no int can count is cut where the views stop anyway.
    if (m_entries.size() > size_t(INT_MAX))
        m_entries.resize(size_t(INT_MAX));
    m_entriesDir = currentDir;
    m_status.assign(m_entries.size(), std::nullopt);
    endResetModel();
}

vkfill::ReselectResult CFileList::Refill(std::vector<std::string> entries)
{
    SetEntries(std::move(entries));
    vkfill::ReselectResult result = vkfill::ReselectAfterFill(m_entries, *this);
    std::vector<bool> selected(m_entries.size(), false);
    for (int row : result.selectedRows)
        selected[size_t(row)] = true;
    ApplySelection(selected, result.selectedRows.empty() ? -1 : result.selectedRows.back());
    return result;
}

std::string CFileList::EntryName(int row) const
{
    return row >= 0 && row < Count() ? m_entries[size_t(row)] : std::string();
}

std::string CFileList::EntryPath(int row) const
{
    return row >= 0 && row < Count() ? vkpath::Join(m_entriesDir, m_entries[size_t(row)]) : std::string();
}

int CFileList::Find(const std::string& name) const
{
    return vkfill::FindEntry(m_entries, name);
}

// ---------------------------------------------------------------------------
// Selection

std::vector<bool> CFileList::SelectedRows() const
{
    std::vector<bool> selected(m_entries.size(), false);
    for (const QItemSelectionRange& range : m_selection->selection())
        for (int row = std::max(range.top(), 0); row <= range.bottom() && row < Count(); ++row)
            selected[size_t(row)] = true;
    return selected;
}

void CFileList::ApplySelection(const std::vector<bool>& selected, int currentRow)
{
    // Runs of rows become ranges: one change, one signal, for any count.
    QItemSelection selection;
    const int count = std::min(Count(), int(selected.size()));
    for (int row = 0; row < count;) {
        if (!selected[size_t(row)]) {
            ++row;
            continue;
        }
        const int first = row;
        while (row < count && selected[size_t(row)])
            ++row;
        selection.select(index(first), index(row - 1));
    }
    ++m_applying;
    if (currentRow >= 0 && currentRow < Count())
        m_selection->setCurrentIndex(index(currentRow), QItemSelectionModel::NoUpdate);
    m_selection->select(selection, QItemSelectionModel::ClearAndSelect);
    --m_applying;
}

void CFileList::SelectRows(const std::vector<bool>& selected)
{
    ApplySelection(selected, -1);
}

void CFileList::SelectOnly(int row)
{
    std::vector<bool> selected(m_entries.size(), false);
    if (row >= 0 && row < Count())
        selected[size_t(row)] = true;
    ApplySelection(selected, row);
}

int CFileList::SelectEntry(const std::string& name)
{
    const int row = Find(name);
    SelectOnly(row);
    return row;
}

int CFileList::SelectNamed(const std::vector<std::string>& wanted, int& lastRow)
{
    std::vector<bool> selected(m_entries.size(), false);
    int found = 0;
    lastRow = -1;
    for (const std::string& name : wanted) {
        const int row = Find(name);
        if (row >= 0) {
            selected[size_t(row)] = true;
            lastRow = std::max(lastRow, row);
            ++found;
        }
    }
    ApplySelection(selected, lastRow);
    return found;
}

void CFileList::TakeSelection()
{
    const std::vector<bool> selected = SelectedRows();
    ClearSelected();
    for (size_t row = 0; row < selected.size(); ++row) {
        if (selected[row]) {
            selectedNames.push_back(m_entries[row]);
            selectedTotal += StatusOf(row).size;
        }
    }
    currentFile = selectedNames.empty() ? std::string() : selectedNames.back();
}

std::vector<std::string> CFileList::SelectedPaths() const
{
    std::vector<std::string> paths;
    paths.reserve(selectedNames.size());
    for (const std::string& name : selectedNames)
        paths.push_back(vkpath::Join(currentDir, name));
    return paths;
}

std::string CFileList::GetCurrentPath() const
{
    return currentFile.empty() ? std::string() : vkpath::Join(currentDir, currentFile);
}

// ---------------------------------------------------------------------------
// Directories and the selected names

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
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(dot + 1);
}

std::string CFileList::GetTitle(const std::string& name)
{
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(0, dot);
}
