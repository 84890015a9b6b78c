#include "ui/browser/InformationDlg.h"

#include "models/browser/StatusTexts.h"
#include "ui/widgets/MessageService.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

CInformationDlg::CInformationDlg(const std::string& path, const PhotoMetadata& metadata, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle("Information");
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(Q(path), this);
    name->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(name);

    QString summary;
    for (const auto& [label, value] : vktext::CameraLines(metadata.facts))
        summary += Q(label) + " " + Q(value) + "\n";
    if (metadata.iccSize > 0)
        summary += "Colour profile: " + QString::number(metadata.iccSize) + " bytes\n";
    if (!metadata.read)
        summary =
            "No camera data could be read" + (metadata.error.empty() ? QString() : ": " + Q(metadata.error));
    else if (metadata.tags.empty())
        summary += "The file has no EXIF, IPTC or XMP tags.";
    auto* facts = new QLabel(summary.trimmed(), this);
    facts->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(facts);

    m_tags = new QTableWidget(int(metadata.tags.size()), 3, this);
    m_tags->setHorizontalHeaderLabels({"Tag", "Type", "Value"});
    m_tags->verticalHeader()->hide();
    m_tags->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tags->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int row = 0; row < int(metadata.tags.size()); ++row) {
        const MetadataTag& tag = metadata.tags[size_t(row)];
        m_tags->setItem(row, 0, new QTableWidgetItem(Q(tag.key)));
        m_tags->setItem(row, 1, new QTableWidgetItem(Q(tag.type)));
        m_tags->setItem(row, 2, new QTableWidgetItem(Q(tag.value)));
    }
    m_tags->resizeColumnsToContents();
    m_tags->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_tags, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(640, 480);
}

void ShowInformation(QWidget* parent, const std::string& path)
{
    CInformationDlg dlg(path, ReadPhotoMetadata(path, true), parent);
    vkui::execDialog(dlg);
}
