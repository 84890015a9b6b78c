// The frame's file side: the file and directory lists, the selection,
// showing the current file, and the title, properties and status panes
// that describe it.
#include "ui/shell/MainFrm.h"

#include "models/browser/DirectoryFill.h"
#include "models/browser/FormatNumber.h"
#include "models/browser/StatusTexts.h"
#include "models/platform/FileStatus.h"
#include "models/platform/Path.h"
#include "ui/browser/Preview.h"
#include "ui/widgets/MessageService.h"

#include <QDateTime>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QStatusBar>

#include <algorithm>
#include <utility>

namespace {

// Messages of loading.
constexpr const char* kStatusLoading = "  Loading image...";
constexpr const char* kStatusDonePreviewOff = " Done";
constexpr const char* kStatusDone = "  Done";

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

// The file's bits per pixel, as velkor-cli info gives them (edits that
// resample make 24); every picture is held at 32.
int FileDepth(const CBmp& picture)
{
    return picture.GetSourceBitsPerPixel() > 0 ? picture.GetSourceBitsPerPixel() : picture.GetBitsPerPixel();
}

} // namespace

QString CMainFrame::CurrentPath() const
{
    return Q(vkpath::Join(m_fileList.GetCurrentDir(), m_fileList.GetCurrentFile()));
}

void CMainFrame::ShowCurrentFile()
{
    if (m_fileList.GetCurrentFile().empty()) {
        UpdateTitleAndProperties(true);
        return;
    }
    if (m_browserMode && !m_settings.browserPreviewEnabled && !m_forcePreview) {
        UpdateTitleAndProperties(false);
        m_statusText = kStatusDonePreviewOff;
        UpdateStatusPane();
        UpdateCountPane();
        return;
    }
    m_statusText = kStatusLoading;
    UpdateStatusPane();
    UpdateCountPane();

    m_loadForced = m_forcePreview;
    const QString path = CurrentPath();
    const QString name = Q(m_fileList.GetCurrentFile());
    if (m_browserMode) {
        m_view->LoadImage(path, m_settings.previewPosition, m_settings.browserPreviewShrink,
                          m_settings.browserPreviewEnlarge, name);
    } else {
        m_view->LoadImage(path, vkview::Centre, m_settings.viewerShrink, m_settings.viewerEnlarge, name);
        // After the request, so the pane names the new file without the
        // previous picture's size.
        UpdateInfoPane();
    }
}

void CMainFrame::ShowCurrentFileForced()
{
    const bool saved = m_forcePreview;
    m_forcePreview = true;
    ShowCurrentFile();
    m_forcePreview = saved;
}

bool CMainFrame::ShowListedFile(const std::string& name)
{
    const int row = m_fileList.SelectEntry(name);
    UpdateSelection();
    const bool listed = !m_fileList.GetCurrentFile().empty();
    if (!m_browserMode)
        m_currentIndex = listed ? row : -1;
    if (listed)
        ShowCurrentFile();
    UpdateCountPane();
    return listed;
}

void CMainFrame::OnDevelopingChanged(bool developing, bool developed)
{
    // A development given up for another picture says nothing.
    const bool failed = !developing && !developed && m_view->ShowsRawPreview() && !m_view->IsLoading();
    if (developing || developed || failed) {
        m_statusText = developing  ? vktext::kTextDeveloping
                       : developed ? vktext::kTextDeveloped
                                   : vktext::kTextNotDeveloped;
        UpdateStatusPane();
    }
    if (developed)
        UpdateInfoPane();
    UpdateCommandUI();
    if (developing)
        return;
    const std::optional<Cmd> waiting = std::exchange(m_afterDevelop, std::nullopt);
    if (waiting && developed)
        RunCommand(*waiting);
}

void CMainFrame::OnLoadFinished(bool success)
{
    // The load may have been forced by Preview: it still counts as such.
    const bool savedForce = m_forcePreview;
    m_forcePreview = m_loadForced;
    if (success && !m_fileList.GetCurrentFile().empty()) {
        UpdateTitleAndProperties(false);
        // A picture read in part says so instead of its load time.
        const QString warning = m_view->GetWarning();
        m_statusText = warning.isEmpty()
                           ? "  Loaded in " + Q(FormatNumber(m_view->GetLoadTime() * 0.001, 3)) + " s"
                           : Q(vktext::PartlyReadStatus(warning.section('\n', 0, 0).toStdString()));
        const std::string page = vktext::PageText(m_view->GetPage(), m_view->GetPageCount());
        if (!page.empty())
            m_statusText += ", " + Q(page);
        UpdateStatusPane();
        if (!m_browserMode)
            UpdateInfoPane();
    } else {
        // Said in the view and the status bar, not in a box the user meets
        // again at every step onto the file.
        const FileFailure failure = m_view->GetLoadFailure();
        const vktext::LoadFailureTexts texts = vktext::DescribeLoadFailure(failure);
        const std::string name = m_fileList.GetCurrentFile();
        vkplatform::FileStatus status;
        const bool gone = !name.empty() && failure == FileFailure::NotFound &&
                          !vkplatform::GetFileStatus(CurrentPath().toStdString(), status);
        if (gone)
            RefreshDirectory(); // it leaves the list; the viewer moves to a neighbour
        else
            UpdateTitleAndProperties(true);
        if (!gone || m_browserMode) {
            if (!name.empty())
                m_view->ShowNote(Q(name + "\n" + texts.view));
            m_statusText = Q(texts.status);
            UpdateStatusPane();
        }
        if (!gone && !m_browserMode)
            UpdateInfoPane();
    }
    m_forcePreview = savedForce;
    UpdateCommandUI();
}

void CMainFrame::OnPictureKept()
{
    const int row = m_fileList.SelectEntry(m_view->GetFileName().toStdString());
    UpdateSelection();
    if (!m_browserMode && row >= 0)
        m_currentIndex = row;
    if (!m_fileList.GetCurrentFile().empty())
        UpdateTitleAndProperties(false);
    m_statusText = kStatusDone;
    UpdateStatusPane();
    UpdateCountPane();
    if (!m_browserMode)
        UpdateInfoPane();
    UpdateCommandUI();
}

QString CMainFrame::TitleFor(const std::string& path) const
{
    const bool fullPath =
        m_browserMode ? m_settings.browserFullPathInTitle : m_settings.viewerFullPathInTitle;
    return Q(vktext::TitleText(fullPath, path));
}

QString CMainFrame::FileSizeText(uint64_t size) const
{
    return Q(vktext::FileSizeText(size, m_settings.fileSizeUnit));
}

QString CMainFrame::ImageSizeText() const
{
    const PictureSize size = m_view->GetFileSize();
    return Q(vktext::ImageSizeText(size.width, size.height, m_settings.imageSizeUnit));
}

void CMainFrame::UpdateTitleAndProperties(bool clear)
{
    if (clear || m_fileList.GetCurrentFile().empty()) {
        m_view->Clear();
        for (QLabel* value : m_propertyValues)
            value->clear();
        ShowCameraLines({});
        setWindowTitle(TitleFor(m_fileList.GetCurrentDir()));
        return;
    }
    DescribeFile(m_fileList.GetCurrentFile());
}

void CMainFrame::DescribeFile(const std::string& name)
{
    const std::string path = vkpath::Join(m_fileList.GetCurrentDir(), name);
    setWindowTitle(TitleFor(path));

    vkplatform::FileStatus status;
    const bool haveStatus = vkplatform::GetFileStatus(path, status);

    const bool showsPicture = !m_browserMode || m_settings.browserPreviewEnabled || m_forcePreview;
    if (!showsPicture)
        m_view->Clear();

    m_propertyValues[0]->setText(Q(name));
    if ((m_settings.browserPreviewEnabled || m_forcePreview || !m_browserMode) && m_view->HasImage())
        m_propertyValues[1]->setText(PictureSizeText());
    else
        m_propertyValues[1]->clear();
    m_propertyValues[2]->setText(haveStatus ? FileSizeText(status.size) : QString());
    if (haveStatus && status.lastWriteTime >= 0)
        m_propertyValues[3]->setText(
            QLocale().toString(QDateTime::fromSecsSinceEpoch(status.lastWriteTime), QLocale::LongFormat));
    else
        m_propertyValues[3]->clear();
    ShowCameraLines(path);
}

void CMainFrame::ShowCameraLines(const std::string& path)
{
    // exiv2 reads only the blocks it needs: well under a millisecond.
    const auto lines = path.empty() ? std::vector<std::pair<std::string, std::string>>()
                                    : vktext::CameraLines(ReadPhotoMetadata(path).facts);
    for (size_t i = 4; i < m_propertyLabels.size(); ++i) {
        const bool shown = i - 4 < lines.size();
        m_propertyLabels[i]->setText(shown ? Q(lines[i - 4].first) : QString());
        m_propertyValues[i]->setText(shown ? Q(lines[i - 4].second) : QString());
        m_propertyLabels[i]->setVisible(shown);
        m_propertyValues[i]->setVisible(shown);
    }
}

void CMainFrame::UpdateStatusPane()
{
    m_paneStatus->setText(m_statusText);
    m_paneStatus->repaint();
}

void CMainFrame::ShowStatusNow(const QString& text)
{
    SetStatusText(text);
    UpdateStatusPane();
    statusBar()->repaint();
}

void CMainFrame::UpdateInfoPane()
{
    if (m_browserMode) {
        m_infoText = Q(
            vktext::FreeSpaceText(vkfill::GetFreeSpace(m_fileList.GetCurrentDir()), m_settings.fileSizeUnit));
    } else if (m_fileList.GetCurrentFile().empty()) {
        m_infoText = " ";
    } else {
        vkplatform::FileStatus status;
        const bool haveStatus = vkplatform::GetFileStatus(CurrentPath().toStdString(), status);
        const CPictureEx& picture = m_view->GetPicture();
        const PictureSize size = m_view->GetFileSize();
        // While the next file decodes the view still holds the previous
        // picture: its size must not be shown under the new name.
        const bool shown = m_view->HasImage() && !m_view->IsLoading();
        m_infoText = Q(vktext::ViewerInfoText(m_fileList.GetCurrentFile(), shown ? size.width : 0,
                                              shown ? size.height : 0, shown ? FileDepth(picture) : 0,
                                              haveStatus ? status.size : 0, m_settings.fileSizeUnit,
                                              m_settings.imageSizeUnit));
    }
    m_paneInfo->setText(m_infoText);
}

void CMainFrame::UpdateCountPane()
{
    if (m_browserMode)
        m_countText = Q(vktext::BrowserCountText(m_fileList.GetSelectedCount(), m_fileList.Count(),
                                                 m_fileList.GetSelectedTotal(), m_settings.fileSizeUnit));
    else
        m_countText = Q(vktext::ViewerCountText(m_fileList.GetCurrentFile().empty() ? -1 : m_currentIndex,
                                                m_fileList.Count()));
    m_paneCount->setText(m_countText);
}

QString CMainFrame::PictureSizeText() const
{
    return ImageSizeText() + ", " + QString::number(FileDepth(m_view->GetPicture())) + " bpp";
}

void CMainFrame::UpdateZoomPane()
{
    const CPictureEx& picture = m_view->GetPicture();
    m_paneZoom->setText(!m_browserMode && m_view->HasImage()
                            ? Q(vktext::ZoomText(m_view->GetDisplayWidth(), picture.GetWidth()))
                            : QString());
}

void CMainFrame::UpdateFramePane()
{
    const QString text = m_view->GetAnimation().FrameText();
    if (m_paneFrame->text() == text)
        return;
    // As wide as its longest text, so that the status bar is not laid out anew each frame.
    const int count = m_view->GetAnimation().FrameCount();
    const QString widest = QString("frame %1 of %1 (paused)").arg(count);
    m_paneFrame->setMinimumWidth(m_paneFrame->fontMetrics().horizontalAdvance(widest) + 12);
    m_paneFrame->setText(text);
    m_paneFrame->setVisible(!text.isEmpty());
}

void CMainFrame::OnDisplayChanged()
{
    // Zoomed, fitted or edited: the zoom and the picture's size follow.
    UpdateZoomPane();
    if (!m_browserMode)
        UpdateInfoPane();
    else if (m_view->HasImage() && !m_propertyValues[1]->text().isEmpty())
        m_propertyValues[1]->setText(PictureSizeText());
}

QString CMainFrame::GetPaneText(int pane) const
{
    switch (pane) {
    case 1:
        return m_paneReady->text();
    case 2:
        return m_paneCount->text();
    case 3:
        return m_paneInfo->text();
    case 4:
        return m_paneStatus->text();
    case 5:
        return m_paneZoom->text();
    case 6:
        return m_paneFrame->text();
    default:
        return {};
    }
}

QString CMainFrame::GetPropertyValue(int index) const
{
    return index >= 0 && size_t(index) < m_propertyValues.size() ? m_propertyValues[size_t(index)]->text()
                                                                 : QString();
}

QString CMainFrame::GetPropertyLabel(int index) const
{
    return index >= 0 && size_t(index) < m_propertyLabels.size() ? m_propertyLabels[size_t(index)]->text()
                                                                 : QString();
}

// ---------------------------------------------------------------------------
// Lists and selection

void CMainFrame::FillFileList()
{
    m_fileList.SetEntries(vkfill::ListImageFiles(m_fileList.GetCurrentDir(), m_settings));
}

void CMainFrame::FillDirectoryList()
{
    const std::vector<std::string> dirs = vkfill::ListDirectories(m_fileList.GetCurrentDir());
    QStringList texts;
    for (const std::string& d : dirs)
        texts.append(Q(d));
    m_dirListBox->clear();
    m_dirListBox->addItems(texts);
    UpdateInfoPane();
    UpdateCountPane();
}

void CMainFrame::UpdateSelection()
{
    m_fileList.TakeSelection();
}

void CMainFrame::RefillFileList()
{
    const vkfill::ReselectResult result =
        m_fileList.Refill(vkfill::ListImageFiles(m_fileList.GetCurrentDir(), m_settings));
    if (result.clearView)
        UpdateTitleAndProperties(true);
    UpdateCountPane();
    if (!m_browserMode && !m_fileList.GetCurrentFile().empty())
        m_currentIndex = m_fileList.Find(m_fileList.GetCurrentFile());
}

void CMainFrame::OnFileSelectionChanged()
{
    UpdateSelection();
    if (!m_fileList.GetCurrentFile().empty())
        ShowCurrentFile();
    else
        UpdateTitleAndProperties(true);
    UpdateCountPane();
}

void CMainFrame::ShowViewerFile(int index)
{
    if (index < 0 || index >= m_fileList.Count())
        return;
    m_currentIndex = index;
    m_fileList.SelectOnly(index);
    UpdateSelection();
    ShowCurrentFile();
}
