#include "ui/fileops/CopyToDlg.h"

#include "models/browser/FileList.h"
#include "models/platform/Path.h"
#include "ui/widgets/Browse.h"
#include "ui/widgets/MessageService.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QListWidget* FolderList(const std::vector<std::string>& folders, QWidget* parent)
{
    std::vector<std::string> sorted = folders;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    auto* list = new QListWidget(parent);
    for (const std::string& folder : sorted)
        if (!folder.empty())
            list->addItem(QString::fromStdString(folder));
    return list;
}

} // namespace

CCopyToDlg::CCopyToDlg(CFileList& fileList, bool isCopy, int count,
                       const std::vector<std::string>& recentFolders,
                       const std::vector<std::string>& favoriteFolders, QWidget* parent)
    : QDialog(parent), m_fileList(fileList), m_source(fileList.GetCurrentDir())
{
    setWindowTitle(isCopy ? "Copy To" : "Move To");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QString(isCopy ? "Copy " : "Move ") + QString::number(count) + " file(s)", this));
    auto* grid = new QGridLayout;
    auto* source = new QLabel(QString::fromStdString(m_source), this);
    source->setTextFormat(Qt::PlainText);
    m_destLabel = new QLabel(this);
    m_destLabel->setTextFormat(Qt::PlainText);
    m_browse = new QPushButton("&Browse...", this);
    grid->addWidget(new QLabel("From:", this), 0, 0);
    grid->addWidget(source, 0, 1, 1, 2);
    grid->addWidget(new QLabel("To:", this), 1, 0);
    grid->addWidget(m_destLabel, 1, 1);
    grid->addWidget(m_browse, 1, 2);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    auto* lists = new QHBoxLayout;
    auto* recentGroup = new QGroupBox("Recent folders", this);
    auto* recentLayout = new QVBoxLayout(recentGroup);
    m_recent = FolderList(recentFolders, recentGroup);
    recentLayout->addWidget(m_recent);
    auto* favoriteGroup = new QGroupBox("Favorite folders", this);
    auto* favoriteLayout = new QVBoxLayout(favoriteGroup);
    m_favorites = FolderList(favoriteFolders, favoriteGroup);
    favoriteLayout->addWidget(m_favorites);
    lists->addWidget(recentGroup);
    lists->addWidget(favoriteGroup);
    layout->addLayout(lists, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CCopyToDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CCopyToDlg::reject);
    layout->addWidget(buttons);

    for (QListWidget* list : {m_recent, m_favorites})
        connect(list, &QListWidget::currentTextChanged, this, [this](const QString& text) {
            if (!text.isEmpty())
                SetDestination(text.toStdString());
        });
    connect(m_browse, &QPushButton::clicked, this, &CCopyToDlg::OnBrowse);
    SetDestination(m_source);
    resize(560, 360);
}

void CCopyToDlg::SetDestination(const std::string& dir)
{
    m_destination = dir;
    m_destLabel->setText(QString::fromStdString(dir));
}

void CCopyToDlg::OnBrowse()
{
    CBrowseDlg browse(m_fileList, this);
    if (vkui::execDialog(browse) == QDialog::Accepted && !m_fileList.GetDestinationDir().empty())
        SetDestination(m_fileList.GetDestinationDir());
}

void CCopyToDlg::accept()
{
    if (m_destination.empty())
        return;
    if (vkpath::StripTrailingSeparator(m_destination) == vkpath::StripTrailingSeparator(m_source)) {
        vkui::ask("You must select another directory.", vkui::Buttons::Ok, vkui::Icon::Warning);
        return;
    }
    m_fileList.SetDestinationDir(m_destination);
    QDialog::accept();
}
