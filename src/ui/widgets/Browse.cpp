#include "ui/widgets/Browse.h"

#include "models/browser/DirectoryFill.h"
#include "models/browser/FileList.h"
#include "models/browser/Navigator.h"
#include "models/platform/Drives.h"
#include "models/platform/Folders.h"
#include "models/platform/Path.h"
#include "ui/widgets/MessageService.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace {
constexpr const char* kTextDeviceNotReady = "The device is not ready.";
}

CBrowseDlg::CBrowseDlg(CFileList& fileList, QWidget* parent) : QDialog(parent), m_fileList(fileList)
{
    setWindowTitle("Browse");
    auto* layout = new QVBoxLayout(this);
    m_folder = new QLabel(this);
    m_folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_folder);

    auto* group = new QGroupBox(this);
    auto* groupLayout = new QVBoxLayout(group);
    m_driveBox = new QComboBox(group);
    m_drives = vkplatform::ListDrives();
    for (const std::string& drive : m_drives)
        m_driveBox->addItem(QString::fromStdString(vkplatform::DriveEntry(drive)));
    groupLayout->addWidget(m_driveBox);
    m_dirList = new QListWidget(group);
    m_dirList->setSelectionMode(QAbstractItemView::SingleSelection);
    groupLayout->addWidget(m_dirList);
    layout->addWidget(group, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CBrowseDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CBrowseDlg::reject);
    layout->addWidget(buttons);
    resize(320, 300);

    connect(m_driveBox, &QComboBox::activated, this, &CBrowseDlg::OnDriveSelected);
    connect(m_dirList, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { OnDirectoryDoubleClicked(m_dirList->row(item)); });

    // The picker always starts in the browser's directory.
    const std::string start = m_fileList.GetCurrentDir();
    m_fileList.SetDestinationDir(start);
    SelectDrive(start);
    ShowFolder(start);
    FillDirectoryList(start);
}

QString CBrowseDlg::GetShownFolder() const
{
    return m_folder->text();
}

void CBrowseDlg::ShowFolder(const std::string& dir)
{
    m_folder->setText(QString::fromStdString(dir));
}

void CBrowseDlg::SelectDrive(const std::string& dir)
{
    const std::string mount = vkplatform::MountPointOf(dir, m_drives);
    const int index = m_driveBox->findText(QString::fromStdString(vkplatform::DriveEntry(mount)));
    if (index >= 0)
        m_driveBox->setCurrentIndex(index);
}

void CBrowseDlg::FillDirectoryList(const std::string& dir)
{
    m_dirList->clear();
    for (const std::string& name : vkfill::ListDirectories(dir))
        m_dirList->addItem(QString::fromStdString(name));
}

void CBrowseDlg::OnDriveSelected(int index)
{
    if (index < 0 || size_t(index) >= m_drives.size())
        return;
    const std::string drive = m_drives[size_t(index)];
    if (!vkplatform::EnterDirectory(drive)) {
        vkui::ask(kTextDeviceNotReady);
        SelectDrive(m_fileList.GetDestinationDir());
        return;
    }
    FillDirectoryList(drive);
    ShowFolder(drive);
    m_fileList.SetDestinationDir(drive);
}

void CBrowseDlg::OnDirectoryDoubleClicked(int row)
{
    QListWidgetItem* item = m_dirList->item(row);
    if (!item)
        return;
    const std::string entry = item->text().toStdString();
    std::string dir = m_fileList.GetDestinationDir();
    if (entry == "..") {
        // Up past folders that vanished, but never beyond the root.
        dir = vknav::EnterNearestAncestor(dir);
        if (dir.empty())
            return;
    } else {
        dir = vkpath::Join(dir, entry);
        if (!vkplatform::EnterDirectory(dir))
            return;
    }
    FillDirectoryList(dir);
    ShowFolder(dir);
    m_fileList.SetDestinationDir(dir);
}

void CBrowseDlg::ReturnToBrowser()
{
    vkplatform::EnterDirectory(m_fileList.GetCurrentDir());
}

void CBrowseDlg::accept()
{
    ReturnToBrowser();
    QDialog::accept();
}

void CBrowseDlg::reject()
{
    ReturnToBrowser();
    QDialog::reject();
}
