#include "ui/search/CompareDirectoriesDlg.h"

#include "models/platform/Path.h"
#include "models/search/FindImageSearch.h"
#include "ui/widgets/MessageService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr const char* kTextNoDestination = "No destination directory selected.";

} // namespace

CCompareDirectoriesDlg::CCompareDirectoriesDlg(const vkcompare::CompareCriteria& criteria,
                                               const std::string& source, QWidget* parent)
    : QDialog(parent), m_sourceDir(source)
{
    setWindowTitle("Compare Directories");
    auto* group = new QGroupBox("Search for same", this);
    auto* grid = new QGridLayout(group);
    m_name = new QCheckBox("&File name (without ext.):", group);
    m_extension = new QCheckBox("&Extension", group);
    m_extensionText = new QComboBox(group);
    for (int i = 0; i < vkfind::kImageExtensionCount; ++i)
        m_extensionText->addItem(vkfind::ImageExtension(i));
    m_size = new QCheckBox("File &size", group);
    m_date = new QCheckBox("&Date", group);
    m_case = new QCheckBox("&Case sensitive", group);
    grid->addWidget(m_name, 0, 0);
    grid->addWidget(m_case, 0, 1);
    grid->addWidget(m_extension, 1, 0);
    grid->addWidget(m_extensionText, 1, 1);
    grid->addWidget(m_size, 2, 0);
    grid->addWidget(m_date, 3, 0);

    m_name->setChecked(criteria.byName);
    m_extension->setChecked(criteria.byExtension);
    m_size->setChecked(criteria.bySize);
    m_date->setChecked(criteria.byDate);
    m_case->setChecked(criteria.caseSensitive);
    const int index =
        m_extensionText->findText(QString::fromStdString(criteria.extensionText), Qt::MatchFixedString);
    m_extensionText->setCurrentIndex(index >= 0 ? index : 0);

    auto* folders = new QGridLayout;
    folders->addWidget(new QLabel("Source directory", this), 0, 0);
    m_source = new QLabel(QString::fromStdString(source), this);
    m_source->setTextInteractionFlags(Qt::TextSelectableByMouse);
    folders->addWidget(m_source, 0, 1, 1, 2);
    auto* destinationLabel = new QLabel("Destination directory", this);
    m_destination = new QLineEdit(this);
    destinationLabel->setBuddy(m_destination);
    m_browse = new QPushButton("&Browse...", this);
    m_browse->setAutoDefault(false);
    folders->addWidget(destinationLabel, 1, 0);
    folders->addWidget(m_destination, 1, 1);
    folders->addWidget(m_browse, 1, 2);
    folders->setColumnStretch(1, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CCompareDirectoriesDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CCompareDirectoriesDlg::reject);
    connect(m_browse, &QPushButton::clicked, this, &CCompareDirectoriesDlg::OnBrowse);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(folders);
    layout->addWidget(buttons);
    resize(480, layout->sizeHint().height());
    m_destination->setFocus();
}

vkcompare::CompareCriteria CCompareDirectoriesDlg::GetCriteria() const
{
    vkcompare::CompareCriteria c;
    c.byName = m_name->isChecked();
    c.byExtension = m_extension->isChecked();
    c.bySize = m_size->isChecked();
    c.byDate = m_date->isChecked();
    c.caseSensitive = m_case->isChecked();
    c.extensionText = m_extensionText->currentText().toStdString();
    return c;
}

std::string CCompareDirectoriesDlg::GetDestination() const
{
    std::string typed = m_destination->text().trimmed().toStdString();
    if (typed.empty())
        return typed;
    // A relative folder is taken from the source folder, the browser's own.
    if (!vkpath::IsAbsolute(typed))
        typed = vkpath::Join(m_sourceDir, typed);
    return vkpath::StripTrailingSeparator(typed);
}

void CCompareDirectoriesDlg::OnBrowse()
{
    if (!m_picker)
        return;
    const std::string folder = m_picker(m_sourceDir);
    if (!folder.empty())
        m_destination->setText(QString::fromStdString(folder));
}

void CCompareDirectoriesDlg::accept()
{
    const std::string destination = GetDestination();
    if (destination.empty()) {
        vkui::ask(kTextNoDestination);
        return;
    }
    // Another spelling of the source would match every file with itself.
    const std::string same = vkcompare::SameFolderMessage(m_sourceDir, destination);
    if (!same.empty()) {
        vkui::ask(QString::fromStdString(same));
        return;
    }
    QDialog::accept();
}
