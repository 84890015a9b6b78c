// The frame's moves between folders: the drive, directory list, recent
// folders and favorites boxes, refresh, auto-refresh and the start
// folder. Every move goes through GoTo.
#include "ui/shell/MainFrm.h"

#include "models/browser/DirectoryFill.h"
#include "models/platform/Drives.h"
#include "models/platform/FileStatus.h"
#include "models/platform/Folders.h"
#include "models/platform/Path.h"
#include "ui/widgets/MessageService.h"

#include <QComboBox>
#include <QIcon>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>

#include <cerrno>

namespace {

constexpr const char* kTextNotFound = " not found.";
constexpr const char* kTextImageNotFound = "Image not found";

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

// Favorite icons: 0 a folder, 1..15 the file types.
QIcon FavoriteIcon(int index)
{
    if (index <= 0)
        return QIcon::fromTheme("folder", QIcon(":/icons/folder.png"));
    return QIcon::fromTheme("image-x-generic", QIcon(":/icons/image.png"));
}

} // namespace

bool CMainFrame::GoTo(const std::string& target, const char* missingText, Recent recent)
{
    const std::string dir = vkpath::StripTrailingSeparator(target);
    errno = 0;
    if (!CNavigator::Enter(dir)) {
        // A folder that is there but may not be entered says so.
        if (errno == EACCES || errno == EPERM)
            vkui::ask(Q(vknav::UnreadableFolderText(dir, errno)));
        else if (missingText)
            vkui::ask(missingText);
        return false;
    }
    const std::string oldDrive = m_fileList.GetCurrentDrive();
    MoveTo(dir);
    // Entered, but its files cannot be listed: the empty lists are explained.
    if (const std::string problem = vknav::FolderReadProblem(dir); !problem.empty())
        vkui::ask(Q(problem));
    if (m_fileList.GetCurrentDrive() != oldDrive) {
        ShowDriveOf(dir);
        UpdateInfoPane();
    }
    if (recent == Recent::Add)
        AddRecentFolder();
    else if (recent == Recent::Select)
        SelectRecentFolder(dir);
    UpdateCountPane();
    return true;
}

void CMainFrame::MoveTo(const std::string& dir)
{
    m_navigator.Record(dir);
    FillFileList();
    FillDirectoryList();
    UpdateTitleAndProperties(true);
}

void CMainFrame::ShowDriveOf(const std::string& dir)
{
    const std::string mount = vkplatform::MountPointOf(dir, m_drives);
    const int index = m_driveBox->findText(Q(vkplatform::DriveEntry(mount)));
    if (index >= 0)
        m_driveBox->setCurrentIndex(index);
}

void CMainFrame::AddRecentFolder()
{
    const int index = int(m_navigator.AddRecentFolder());
    if (index == m_recentBox->count()) {
        m_recentBox->addItem(Q(m_navigator.RecentFolders().back()));
        SaveRecentFolders();
    }
    m_recentBox->setCurrentIndex(index);
}

void CMainFrame::SelectRecentFolder(const std::string& dir)
{
    const int index = m_navigator.FindRecentFolder(dir);
    if (index >= 0)
        m_recentBox->setCurrentIndex(index);
}

std::vector<std::string> CMainFrame::GetRecentFolders() const
{
    return m_navigator.RecentFolders();
}

void CMainFrame::OnDriveSelected(int index)
{
    if (index < 0 || size_t(index) >= m_drives.size())
        return;
    if (!GoTo(m_drives[size_t(index)], vknav::kTextDeviceNotReady, Recent::Add)) {
        CNavigator::Enter(m_fileList.GetCurrentDir());
        ShowDriveOf(m_fileList.GetCurrentDir());
    }
}

void CMainFrame::OnDirectoryDoubleClicked(int row)
{
    QListWidgetItem* item = m_dirListBox->item(row);
    if (!item)
        return;
    const std::string entry = item->text().toStdString();
    const std::string current = m_fileList.GetCurrentDir();
    // Parents that vanished are skipped; the walk ends at the root.
    const std::string dir =
        entry == ".." ? vknav::EnterNearestAncestor(current) : vkpath::Join(current, entry);
    if (!GoTo(dir, nullptr, Recent::Add))
        RefreshDirectory();
}

void CMainFrame::OnRecentFolderSelected(int index)
{
    if (index < 0 || size_t(index) >= m_navigator.RecentFolders().size())
        return;
    const std::string folder = m_navigator.RecentFolders()[size_t(index)];
    if (vknav::SameDir(folder, m_fileList.GetCurrentDir()))
        return;
    if (!GoTo(folder, vknav::kTextFolderNotExist, Recent::Keep))
        SelectRecentFolder(m_fileList.GetCurrentDir());
}

void CMainFrame::OnPathTyped()
{
    const std::string current = m_fileList.GetCurrentDir();
    const std::string path = vknav::ResolveTypedPath(m_recentBox->currentText().toStdString(), current,
                                                     vkplatform::HomeDirectory());
    if (path.empty())
        return;
    // A picture's path goes to its folder and shows it, as File > Open does.
    const bool file = vkplatform::IsRegularFile(path);
    const std::string dir = file ? vkpath::Parent(path) : path;
    if (!vknav::SameDir(dir, current) && !GoTo(dir, vknav::kTextFolderNotExist, Recent::Add))
        return; // the typed text stays to be corrected
    if (file && !ShowListedFile(vkpath::FileName(path)))
        vkui::ask(kTextImageNotFound);
    AddRecentFolder(); // the box shows the folder again, as written
    GetShownFileView()->setFocus();
}

void CMainFrame::FillFavoritesBox()
{
    m_favoritesBox->clear();
    for (int i = 0; i < m_favorites.GetCount(); ++i)
        m_favoritesBox->addItem(FavoriteIcon(m_favorites.favoriteIcons[size_t(i)]),
                                Q(m_favorites.favoriteNames[size_t(i)]));
    m_favoritesBox->setCurrentIndex(-1);
}

void CMainFrame::OnFavoriteSelected(int index)
{
    Favorite favorite;
    if (!m_favorites.GetFavorite(index, favorite))
        return;
    const bool here = vknav::SameDir(favorite.folder, m_fileList.GetCurrentDir());
    if (favorite.file.empty() && here)
        return;
    if (!here && !GoTo(favorite.folder, vknav::kTextFolderNotExist, Recent::Add))
        return;
    FillFileList();
    if (favorite.file.empty()) {
        UpdateSelection();
        UpdateTitleAndProperties(true);
        UpdateCountPane();
    } else if (!ShowListedFile(favorite.file)) {
        UpdateTitleAndProperties(true);
        vkui::ask(Q(favorite.file) + kTextNotFound);
    }
}

void CMainFrame::RefreshDirectory()
{
    const std::string oldDrive = m_fileList.GetCurrentDrive();
    const std::string file = m_fileList.GetCurrentFile();
    const std::vector<std::string> before = m_fileList.Entries();
    const int shown = m_currentIndex;
    if (m_navigator.EnterCurrentOrNearest() == CNavigator::Recovery::Lost)
        vkui::ask(vknav::kTextFolderNotExist);

    FillFileList();
    UpdateSelection();
    if (file.empty()) {
        UpdateTitleAndProperties(true);
    } else {
        m_fileList.SelectEntry(file);
        UpdateSelection();
        const int neighbour = vknav::NeighbourAfterRefill(before, shown, m_fileList.Entries());
        if (!m_fileList.GetCurrentFile().empty())
            ShowCurrentFile();
        else if (!m_browserMode && neighbour >= 0)
            ShowViewerFile(neighbour); // the shown file vanished: the viewer stays on a neighbour
        else
            UpdateTitleAndProperties(true);
    }
    if (!m_browserMode) {
        const int row =
            m_fileList.GetCurrentFile().empty() ? -1 : m_fileList.Find(m_fileList.GetCurrentFile());
        m_currentIndex = row;
    }
    FillDirectoryList();
    AddRecentFolder();
    if (m_fileList.GetCurrentDrive() != oldDrive)
        ShowDriveOf(m_fileList.GetCurrentDir());
    UpdateCountPane();
    UpdateInfoPane();
}

bool CMainFrame::ChooseStartDirectory()
{
    const std::string start =
        m_navigator.EnterStart(m_startupFile.toStdString(), m_settings.startInHome, m_settings.homeDirectory);
    if (start.empty())
        return false;
    ShowDriveOf(start);
    return true;
}

void CMainFrame::OnActivate(bool byClick)
{
    if (isMinimized()) {
        m_wasMinimised = true;
        return;
    }
    if (!byClick && m_settings.autoRefresh && m_wasMinimised) {
        m_wasMinimised = false;
        RefreshDirectory();
    }
}
