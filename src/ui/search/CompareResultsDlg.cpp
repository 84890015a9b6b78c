#include "ui/search/CompareResultsDlg.h"

#include "models/platform/Path.h"
#include "models/platform/Trash.h"
#include "ui/widgets/MessageService.h"
#include "ui/widgets/StaticImgView.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cerrno>
#include <unistd.h>

namespace {

constexpr const char* kTextComparing = "Comparing...";
constexpr const char* kTextDone = "Done.";
constexpr const char* kTextFiles = " file(s)";
constexpr const char* kTextNotFound = " not found.";
constexpr const char* kTextNoFiles = "No files found.";
constexpr const char* kTextAskDelete = "Do you really want to delete\n";
constexpr const char* kTextCantDelete = "Can't delete ";

constexpr int kFileNameRole = Qt::UserRole;

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

CCompareResultsDlg::CCompareResultsDlg(const vkcompare::CompareCriteria& criteria, const std::string& source,
                                       const std::string& destination, bool previewSource,
                                       bool previewDestination, bool useRecycleBin, QWidget* parent)
    : QDialog(parent), m_criteria(criteria), m_dirs{source, destination}, m_useRecycleBin(useRecycleBin)
{
    setWindowTitle("Compare Directories");
    auto* sides = new QHBoxLayout;
    const char* titles[2] = {"Source", "Destination"};
    const bool previews[2] = {previewSource, previewDestination};
    for (int side = 0; side < 2; ++side) {
        auto* group = new QGroupBox(titles[side], this);
        auto* grid = new QGridLayout(group);
        auto* dir = new QLabel(Q(m_dirs[size_t(side)]), group);
        dir->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto* list = new QTreeWidget(group);
        list->setRootIsDecorated(false);
        list->setUniformRowHeights(true);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setHeaderLabels({"Name", "Ext", "Size (bytes)", "Date", "Image size"});
        list->header()->setStretchLastSection(false);
        list->setColumnWidth(ColumnName, 130);
        list->setColumnWidth(ColumnExt, 45);
        list->setColumnWidth(ColumnSize, 90);
        list->setColumnWidth(ColumnDate, 85);
        list->setColumnWidth(ColumnImageSize, 80);
        auto* count = new QLabel(group);
        auto* preview = new QCheckBox("&Preview", group);
        preview->setChecked(previews[side]);
        auto* box = new CStaticImgView(group);
        box->setFixedSize(160, 120);
        auto* info = new QLabel(group);
        auto* del = new QPushButton("Delete", group);
        auto* goTo = new QPushButton("Go To File(s)", group);
        del->setAutoDefault(false);
        goTo->setAutoDefault(false);
        grid->addWidget(dir, 0, 0, 1, 3);
        grid->addWidget(list, 1, 0, 1, 3);
        grid->addWidget(count, 2, 0, 1, 3);
        grid->addWidget(box, 3, 0, 3, 1);
        grid->addWidget(preview, 3, 1);
        grid->addWidget(info, 4, 1, 1, 2);
        grid->addWidget(del, 5, 1);
        grid->addWidget(goTo, 5, 2);
        grid->setRowStretch(1, 1);
        grid->setColumnStretch(2, 1);
        sides->addWidget(group, 1);

        m_lists[size_t(side)] = list;
        m_counts[size_t(side)] = count;
        m_infos[size_t(side)] = info;
        m_previewChecks[size_t(side)] = preview;
        m_previews[size_t(side)] = box;
        m_deletes[size_t(side)] = del;
        m_goTos[size_t(side)] = goTo;

        connect(list, &QTreeWidget::itemClicked, this, [this, side] { OnRowClicked(side); });
        connect(list, &QTreeWidget::currentItemChanged, this, [this, side] { OnRowClicked(side); });
        connect(del, &QPushButton::clicked, this, [this, side] { OnDelete(side); });
        connect(goTo, &QPushButton::clicked, this, [this, side] { OnGoToFiles(side); });
        connect(box, &CStaticImgView::Loaded, this,
                [this, side](bool ok, const QString& path) { OnPreviewLoaded(side, ok, path); });
        connect(preview, &QCheckBox::toggled, this, [this, side](bool on) {
            if (on)
                OnRowClicked(side);
            else {
                m_previews[size_t(side)]->Clear();
                m_infos[size_t(side)]->clear();
            }
        });
    }

    m_status = new QLabel(kTextComparing, this);
    m_new = new QPushButton("&New", this);
    m_ok = new QPushButton("OK", this);
    m_cancel = new QPushButton("&Cancel", this);
    m_new->setAutoDefault(false);
    m_cancel->setAutoDefault(false);
    m_ok->setDefault(true);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(m_new);
    bottom->addWidget(m_ok);
    bottom->addWidget(m_cancel);
    connect(m_new, &QPushButton::clicked, this, &CCompareResultsDlg::OnNew);
    connect(m_ok, &QPushButton::clicked, this, &CCompareResultsDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CCompareResultsDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(sides, 1);
    layout->addLayout(bottom);
    resize(1000, 560);

    for (int side = 0; side < 2; ++side)
        UpdateCount(side);
    EnableButtons(false);

    m_worker.SetOwner(this, 0);
}

CCompareResultsDlg::~CCompareResultsDlg()
{
    m_worker.RequestAbort();
}

void CCompareResultsDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_started)
        QTimer::singleShot(0, this, &CCompareResultsDlg::Start);
}

void CCompareResultsDlg::Start()
{
    if (m_started)
        return;
    m_started = true;
    m_status->setText(kTextComparing);
    m_worker.ResetAbort();
    m_worker.SetJob({m_criteria, m_dirs[Source], m_dirs[Destination],
                     [this](const std::vector<CompareRowEntry>& rows) { OnRows(rows); },
                     [this](const CompareOutcome& outcome) { OnFinished(outcome); }});
    try {
        m_worker.Start();
        m_worker.SetPriority(15);
        m_worker.PostCommand(CThread::CmdJob);
    } catch (const CThreadException& e) {
        vkui::ask(Q(e.message));
        m_finished = true;
        SetDone();
    }
}

bool CCompareResultsDlg::WaitUntilDone(int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!m_finished && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (!m_finished)
            QThread::msleep(2);
    }
    return m_finished;
}

void CCompareResultsDlg::OnRows(const std::vector<CompareRowEntry>& rows)
{
    std::array<QList<QTreeWidgetItem*>, 2> items;
    for (const CompareRowEntry& entry : rows) {
        auto* item = new QTreeWidgetItem(QStringList{Q(entry.row.name), Q(entry.row.extension),
                                                     Q(entry.row.size), Q(entry.row.date), QString()});
        item->setData(ColumnName, kFileNameRole, Q(entry.fileName));
        item->setTextAlignment(ColumnSize, Qt::AlignRight | Qt::AlignVCenter);
        items[entry.sourceSide ? Source : Destination].push_back(item);
    }
    for (int side = 0; side < 2; ++side) {
        if (!items[size_t(side)].isEmpty())
            m_lists[size_t(side)]->addTopLevelItems(items[size_t(side)]);
        UpdateCount(side);
    }
}

void CCompareResultsDlg::UpdateCount(int side)
{
    m_counts[size_t(side)]->setText(QString::number(m_lists[size_t(side)]->topLevelItemCount()) + kTextFiles);
}

void CCompareResultsDlg::SetDone()
{
    m_done = true;
    m_status->setText(kTextDone);
    EnableButtons(true);
}

void CCompareResultsDlg::EnableButtons(bool enable)
{
    for (int side = 0; side < 2; ++side) {
        m_deletes[size_t(side)]->setEnabled(enable);
        m_goTos[size_t(side)]->setEnabled(enable);
    }
    m_ok->setEnabled(enable);
}

void CCompareResultsDlg::StopWorker()
{
    if (!m_worker.IsRunning())
        return;
    m_worker.RequestAbort();
    int32_t code = 0;
    m_worker.Stop(code, 0);
}

void CCompareResultsDlg::OnFinished(const CompareOutcome& outcome)
{
    m_finished = true;
    // The worker waits for its next job: end the thread.
    int32_t code = 0;
    m_worker.Stop(code, 0);
    switch (outcome.kind) {
    case CompareOutcome::SourceMissing:
    case CompareOutcome::DestinationMissing: {
        const std::string& dir = m_dirs[outcome.kind == CompareOutcome::SourceMissing ? Source : Destination];
        vkui::ask(Q(dir) + kTextNotFound);
        done(ResultNew);
        return;
    }
    case CompareOutcome::NoFiles:
        vkui::ask(kTextNoFiles);
        done(QDialog::Accepted);
        return;
    default:
        for (int side = 0; side < 2; ++side)
            UpdateCount(side);
        SetDone();
        return;
    }
}

std::string CCompareResultsDlg::RowFileName(int side, int row) const
{
    const QTreeWidgetItem* item = m_lists[size_t(side)]->topLevelItem(row);
    return item ? item->data(ColumnName, kFileNameRole).toString().toStdString() : std::string();
}

bool CCompareResultsDlg::GetPreview(int side) const
{
    return m_previewChecks[size_t(side)]->isChecked();
}

QTreeWidgetItem* CCompareResultsDlg::CurrentRow(int side, std::string& path) const
{
    QTreeWidget* list = m_lists[size_t(side)];
    QTreeWidgetItem* item = m_done ? list->currentItem() : nullptr;
    if (item)
        path = vkpath::Join(m_dirs[size_t(side)], RowFileName(side, list->indexOfTopLevelItem(item)));
    return item;
}

void CCompareResultsDlg::OnRowClicked(int side)
{
    std::string path;
    if (!CurrentRow(side, path))
        return;
    if (!GetPreview(side)) {
        m_infos[size_t(side)]->clear();
        return;
    }
    m_previews[size_t(side)]->Load(Q(path), true, true);
}

void CCompareResultsDlg::OnPreviewLoaded(int side, bool ok, const QString& path)
{
    QTreeWidget* list = m_lists[size_t(side)];
    QTreeWidgetItem* item = list->currentItem();
    const std::string name = vkpath::FileName(path.toStdString());
    if (!ok || !item || item->data(ColumnName, kFileNameRole).toString().toStdString() != name) {
        m_infos[size_t(side)]->clear();
        return;
    }
    const CStaticImgView* box = m_previews[size_t(side)];
    item->setText(ColumnImageSize,
                  QString::number(box->GetImageWidth()) + "x" + QString::number(box->GetImageHeight()));
    m_infos[size_t(side)]->setText(Q(name));
}

void CCompareResultsDlg::OnDelete(int side)
{
    std::string path;
    QTreeWidgetItem* item = CurrentRow(side, path);
    if (!item)
        return;
    if (vkui::ask(kTextAskDelete + Q(path) + "?", vkui::Buttons::YesNo, vkui::Icon::Question) !=
        vkui::Answer::Yes)
        return;
    const bool deleted = m_useRecycleBin ? vkplatform::MoveToTrash(path) : ::unlink(path.c_str()) == 0;
    if (!deleted) {
        vkui::ask(kTextCantDelete + Q(path));
        return;
    }
    delete item;
    m_previews[size_t(side)]->Clear();
    m_infos[size_t(side)]->clear();
    UpdateCount(side);
}

void CCompareResultsDlg::OnGoToFiles(int side)
{
    if (!m_done)
        return;
    m_chosen.clear();
    const int count = m_lists[size_t(side)]->topLevelItemCount();
    m_chosen.reserve(size_t(count));
    for (int row = 0; row < count; ++row)
        m_chosen.push_back(RowFileName(side, row));
    done(side == Source ? ResultGoToSource : ResultGoToDestination);
}

void CCompareResultsDlg::OnNew()
{
    StopWorker();
    done(ResultNew);
}

void CCompareResultsDlg::accept()
{
    if (!m_done)
        return;
    QDialog::accept();
}

void CCompareResultsDlg::reject()
{
    // Cancel stops a comparison and keeps what it found; once done, Cancel,
    // Escape and the window's close button leave like OK.
    if (!m_done) {
        StopWorker();
        return;
    }
    QDialog::accept();
}
