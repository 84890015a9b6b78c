#include "ui/search/FindImages.h"

#include "models/platform/FileStatus.h"
#include "models/platform/Path.h"
#include "ui/widgets/MessageService.h"
#include "ui/widgets/StaticImgView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

constexpr const char* kTextFolderNotExist = "Folder not exist.";
constexpr const char* kTextSearching = "Searching...";
constexpr const char* kTextFilesFound = " file(s) found";
constexpr const char* kTextNoFilesFound = "No files found";

QLineEdit* NumberEdit(QWidget* parent, int digits, int width)
{
    auto* edit = new QLineEdit(parent);
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QString("\\d{0,%1}").arg(digits)), edit));
    edit->setMaxLength(digits);
    edit->setFixedWidth(width);
    return edit;
}

} // namespace

CFindImagesDlg::CFindImagesDlg(const std::string& lookIn, bool goToFile, bool preview, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle("Find Images");

    auto* top = new QGridLayout;
    m_name = new QLineEdit(this);
    auto* nameLabel = new QLabel("File name:", this);
    nameLabel->setBuddy(m_name);
    top->addWidget(nameLabel, 0, 0);
    top->addWidget(m_name, 0, 1, 1, 2);

    m_extension = new QComboBox(this);
    m_extension->addItem("all files");
    for (int i = 0; i < vkfind::kImageExtensionCount; ++i)
        m_extension->addItem(vkfind::ImageExtension(i));
    auto* extensionLabel = new QLabel("File extension:", this);
    extensionLabel->setBuddy(m_extension);
    top->addWidget(extensionLabel, 1, 0);
    top->addWidget(m_extension, 1, 1, 1, 2);

    m_lookIn = new QLineEdit(QString::fromStdString(lookIn), this);
    auto* lookInLabel = new QLabel("Look in:", this);
    lookInLabel->setBuddy(m_lookIn);
    m_browse = new QPushButton("&Browse...", this);
    m_browse->setAutoDefault(false);
    top->addWidget(lookInLabel, 2, 0);
    top->addWidget(m_lookIn, 2, 1);
    top->addWidget(m_browse, 2, 2);

    auto* sizeRow = new QHBoxLayout;
    m_sizeCheck = new QCheckBox("File &size:", this);
    m_sizeCompare = new QComboBox(this);
    m_sizeCompare->addItems({"=", "<", ">"});
    m_sizeText = NumberEdit(this, 10, 100);
    m_sizeUnit = new QComboBox(this);
    m_sizeUnit->addItems({"bytes", "KB", "MB"});
    sizeRow->addWidget(m_sizeCheck);
    sizeRow->addWidget(m_sizeCompare);
    sizeRow->addWidget(m_sizeText);
    sizeRow->addWidget(m_sizeUnit);
    sizeRow->addStretch(1);

    auto* dateRow = new QHBoxLayout;
    m_dateCheck = new QCheckBox("&Date between:", this);
    dateRow->addWidget(m_dateCheck);
    const char* tips[6] = {"month", "day", "year", "month", "day", "year"};
    const char* hints[6] = {"mm", "dd", "yyyy", "mm", "dd", "yyyy"};
    for (int i = 0; i < 6; ++i) {
        const bool year = i % 3 == 2;
        m_date[size_t(i)] = NumberEdit(this, year ? 4 : 2, year ? 52 : 32);
        m_date[size_t(i)]->setPlaceholderText(hints[i]);
        m_date[size_t(i)]->setToolTip(tips[i]);
        dateRow->addWidget(m_date[size_t(i)]);
        if (i % 3 != 2)
            dateRow->addWidget(new QLabel("/", this));
        else if (i == 2)
            dateRow->addWidget(new QLabel("and", this));
    }
    dateRow->addStretch(1);

    auto* results = new QGroupBox("Search results", this);
    auto* resultsLayout = new QGridLayout(results);
    m_status = new QLabel(results);
    m_results = new QListWidget(results);
    m_results->setSelectionMode(QAbstractItemView::SingleSelection);
    m_results->setUniformItemSizes(true);
    m_goToFile = new QCheckBox("&Go to file", results);
    m_goToFile->setChecked(goToFile);
    m_preview = new QCheckBox("&Preview", results);
    m_preview->setChecked(preview);
    m_previewBox = new CStaticImgView(results);
    m_previewBox->setFixedSize(160, 120);
    resultsLayout->addWidget(m_status, 0, 0, 1, 2);
    resultsLayout->addWidget(m_results, 1, 0, 3, 1);
    resultsLayout->addWidget(m_previewBox, 1, 1);
    resultsLayout->addWidget(m_preview, 2, 1);
    resultsLayout->addWidget(m_goToFile, 3, 1, Qt::AlignTop);
    resultsLayout->setColumnStretch(0, 1);
    resultsLayout->setRowStretch(3, 1);

    m_findNow = new QPushButton("&Find Now", this);
    m_findNow->setDefault(true);
    m_stop = new QPushButton("&Stop", this);
    m_stop->setAutoDefault(false);
    m_close = new QPushButton("&Close", this);
    m_close->setAutoDefault(false);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_findNow);
    buttons->addWidget(m_stop);
    buttons->addWidget(m_close);
    buttons->addStretch(1);

    auto* criteria = new QVBoxLayout;
    criteria->addLayout(top);
    criteria->addLayout(sizeRow);
    criteria->addLayout(dateRow);
    auto* upper = new QHBoxLayout;
    upper->addLayout(criteria, 1);
    upper->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(upper);
    layout->addWidget(results, 1);
    resize(620, 480);

    m_stop->setEnabled(false);
    UpdateSizeControls();
    UpdateDateControls();

    connect(m_findNow, &QPushButton::clicked, this, &CFindImagesDlg::OnFindNow);
    connect(m_stop, &QPushButton::clicked, this, &CFindImagesDlg::OnStop);
    connect(m_close, &QPushButton::clicked, this, &CFindImagesDlg::OnClose);
    connect(m_browse, &QPushButton::clicked, this, &CFindImagesDlg::OnBrowse);
    connect(m_sizeCheck, &QCheckBox::toggled, this, &CFindImagesDlg::UpdateSizeControls);
    connect(m_dateCheck, &QCheckBox::toggled, this, &CFindImagesDlg::UpdateDateControls);
    connect(m_results, &QListWidget::itemSelectionChanged, this, &CFindImagesDlg::OnResultSelected);
    connect(m_preview, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            OnResultSelected();
        else
            m_previewBox->Clear();
    });
    // A double click chooses the file and closes, as Close does.
    connect(m_results, &QListWidget::itemDoubleClicked, this, &CFindImagesDlg::OnClose);

    m_worker.SetOwner(this, 0);
}

CFindImagesDlg::~CFindImagesDlg()
{
    m_worker.RequestAbort();
}

bool CFindImagesDlg::GetGoToFile() const
{
    return m_goToFile->isChecked();
}
bool CFindImagesDlg::GetPreview() const
{
    return m_preview->isChecked();
}

void CFindImagesDlg::UpdateSizeControls()
{
    const bool on = m_sizeCheck->isChecked();
    m_sizeCompare->setEnabled(on);
    m_sizeText->setEnabled(on);
    m_sizeUnit->setEnabled(on);
}

void CFindImagesDlg::UpdateDateControls()
{
    for (QLineEdit* edit : m_date)
        edit->setEnabled(m_dateCheck->isChecked());
}

void CFindImagesDlg::StopWorker(int pollCount)
{
    m_worker.RequestAbort();
    int32_t code = 0;
    m_worker.Stop(code, pollCount);
}

void CFindImagesDlg::OnFindNow()
{
    vkfind::FindInput input;
    input.lookIn = m_lookIn->text().trimmed().toStdString();
    if (input.lookIn.empty() || !vkplatform::IsDirectory(input.lookIn)) {
        vkui::ask(kTextFolderNotExist);
        return;
    }
    input.extensionIndex = m_extension->currentIndex();
    input.name = m_name->text().toStdString();
    input.sizeChecked = m_sizeCheck->isChecked();
    input.sizeCompare = m_sizeCompare->currentIndex();
    input.sizeText = m_sizeText->text().toStdString();
    input.sizeUnit = m_sizeUnit->currentIndex();
    input.dateChecked = m_dateCheck->isChecked();
    for (int i = 0; i < 6; ++i)
        input.dateFields[i] = m_date[size_t(i)]->text().toStdString();
    const vkfind::FindCriteria criteria = vkfind::CriteriaFrom(input);
    m_searchedFolder = criteria.lookIn;

    // A search still running ends first; what it still reports is dropped.
    if (m_worker.IsRunning())
        StopWorker(-1);
    ++m_searchId;

    m_results->clear();
    m_previewBox->Clear();
    m_status->setText(kTextSearching);
    m_stop->setEnabled(true);
    m_findNow->setEnabled(false);
    m_searching = true;

    m_worker.ResetAbort();
    m_worker.SetOwner(this, 0);
    m_worker.SetJob({criteria, m_searchId,
                     [this](uint64_t id, const std::vector<std::string>& paths) { OnFound(id, paths); },
                     [this](uint64_t id, const vkfind::SearchTotals& totals) { OnFinished(id, totals); }});
    try {
        m_worker.Start();
        m_worker.SetPriority(15);
        m_worker.PostCommand(CThread::CmdJob);
    } catch (const CThreadException& e) {
        m_searching = false;
        m_status->clear();
        m_stop->setEnabled(false);
        m_findNow->setEnabled(true);
        vkui::ask(QString::fromStdString(e.message));
    }
}

void CFindImagesDlg::OnFound(uint64_t searchId, const std::vector<std::string>& paths)
{
    if (searchId != m_searchId)
        return;
    QStringList items;
    items.reserve(qsizetype(paths.size()));
    for (const auto& path : paths)
        items.push_back(QString::fromStdString(path));
    m_results->addItems(items);
}

void CFindImagesDlg::ShowCount()
{
    const int count = m_results->count();
    m_status->setText(count > 0 ? QString::number(count) + kTextFilesFound : QString(kTextNoFilesFound));
}

void CFindImagesDlg::OnFinished(uint64_t searchId, const vkfind::SearchTotals&)
{
    if (searchId != m_searchId)
        return;
    m_searching = false;
    ShowCount();
    m_stop->setEnabled(false);
    m_findNow->setEnabled(true);
    // The worker waits for its next job; end the thread.
    int32_t code = 0;
    m_worker.Stop(code, 0);
}

void CFindImagesDlg::OnStop()
{
    if (m_worker.IsRunning())
        StopWorker(0);
    m_stop->setEnabled(false);
    m_findNow->setEnabled(true);
}

void CFindImagesDlg::OnBrowse()
{
    if (!m_picker)
        return;
    const std::string folder = m_picker(m_lookIn->text().toStdString());
    if (!folder.empty())
        m_lookIn->setText(QString::fromStdString(folder));
}

void CFindImagesDlg::OnResultSelected()
{
    if (!m_preview->isChecked())
        return;
    const QList<QListWidgetItem*> selected = m_results->selectedItems();
    if (selected.isEmpty())
        return;
    m_previewBox->Load(selected.front()->text(), true, true);
}

void CFindImagesDlg::OnClose()
{
    m_chosenFolder.clear();
    m_chosenName.clear();
    const QList<QListWidgetItem*> selected = m_results->selectedItems();
    if (!selected.isEmpty()) {
        auto [folder, name] = vkpath::Split(selected.front()->text().toStdString());
        m_chosenFolder = folder;
        m_chosenName = name;
    }
    if (m_worker.IsRunning())
        StopWorker(10);
    m_searching = false;
    QDialog::accept();
}

void CFindImagesDlg::reject()
{
    OnClose();
}
