#include "ui/print/PrintSetupDlg.h"

#include "models/print/PrintLayout.h"
#include "ui/widgets/MessageService.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QButtonGroup* RadioRow(QObject* owner, QGridLayout* grid, int row, const char* label,
                       std::initializer_list<const char*> texts, int checked)
{
    auto* group = new QButtonGroup(owner);
    grid->addWidget(new QLabel(label), row, 0);
    int id = 0;
    for (const char* text : texts) {
        auto* button = new QRadioButton(text);
        group->addButton(button, id);
        grid->addWidget(button, row, 1 + id);
        ++id;
    }
    if (QAbstractButton* b = group->button(checked))
        b->setChecked(true);
    return group;
}

} // namespace

CPrintSetupDlg::CPrintSetupDlg(const CSettings& settings, int imageWidth, int imageHeight, QWidget* parent)
    : QDialog(parent), m_values(settings), m_imageWidth(imageWidth), m_imageHeight(imageHeight)
{
    setWindowTitle("Print Setup");

    auto* position = new QGroupBox("Position");
    auto* positionGrid = new QGridLayout(position);
    m_vertical =
        RadioRow(this, positionGrid, 0, "Vertical", {"&Top", "&Center", "&Bottom"}, settings.printVertical);
    m_horizontal = RadioRow(this, positionGrid, 1, "Horizontal", {"&Left", "C&enter", "&Right"},
                            settings.printHorizontal);

    auto* margins = new QGroupBox("Margins");
    auto* marginGrid = new QGridLayout(margins);
    const char* marginLabels[] = {"Left:", "Top:", "Right:", "Bottom:"};
    const int32_t marginValues[] = {settings.printMarginLeft, settings.printMarginTop,
                                    settings.printMarginRight, settings.printMarginBottom};
    for (int i = 0; i < 4; ++i) {
        m_margins[i] = new QLineEdit;
        Show(m_margins[i], marginValues[i]);
        auto* label = new QLabel(marginLabels[i]);
        label->setBuddy(m_margins[i]);
        marginGrid->addWidget(label, i / 2, (i % 2) * 2);
        marginGrid->addWidget(m_margins[i], i / 2, (i % 2) * 2 + 1);
    }

    auto* info = new QGroupBox("Info");
    auto* infoGrid = new QGridLayout(info);
    const char* infoTexts[] = {"File pat&h", "File &name", "&Image dimensions", "File &size"};
    const int32_t infoValues[] = {settings.printInfoPath, settings.printInfoName,
                                  settings.printInfoDimensions, settings.printInfoFileSize};
    for (int i = 0; i < 4; ++i) {
        m_info[i] = new QCheckBox(infoTexts[i]);
        m_info[i]->setChecked(infoValues[i] != 0);
        infoGrid->addWidget(m_info[i], i / 2, i % 2);
    }
    m_align = new QComboBox;
    m_align->addItems({"Center", "Left", "Right"});
    m_align->setCurrentIndex(settings.printInfoAlign);
    m_infoPosition = new QComboBox;
    m_infoPosition->addItems({"Top", "Bottom"});
    m_infoPosition->setCurrentIndex(settings.printInfoPosition);
    infoGrid->addWidget(new QLabel("Alignment:"), 2, 0);
    infoGrid->addWidget(m_align, 2, 1);
    infoGrid->addWidget(new QLabel("Position:"), 3, 0);
    infoGrid->addWidget(m_infoPosition, 3, 1);

    auto* size = new QGroupBox("Size");
    auto* sizeGrid = new QGridLayout(size);
    m_size = new QButtonGroup(this);
    int id = 0;
    for (const char* text : {"&Default", "&Fit to page", "C&ustom", "Thu&mbnails"}) {
        auto* button = new QRadioButton(text);
        m_size->addButton(button, id);
        sizeGrid->addWidget(button, id, 0);
        ++id;
    }
    m_width = new QLineEdit;
    m_height = new QLineEdit;
    auto* widthLabel = new QLabel("Width:");
    auto* heightLabel = new QLabel("Height:");
    widthLabel->setBuddy(m_width);
    heightLabel->setBuddy(m_height);
    sizeGrid->addWidget(widthLabel, 0, 1);
    sizeGrid->addWidget(m_width, 0, 2);
    sizeGrid->addWidget(heightLabel, 1, 1);
    sizeGrid->addWidget(m_height, 1, 2);
    m_constrain = new QCheckBox("Constr&ain proportions");
    m_constrain->setChecked(true);
    sizeGrid->addWidget(m_constrain, 2, 1, 1, 2);
    m_thumbnails = new QComboBox;
    m_thumbnails->addItems({"All images in directory", "Selected images only"});
    m_thumbnails->setCurrentIndex(settings.printThumbSelectedOnly);
    sizeGrid->addWidget(m_thumbnails, 3, 1, 1, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(position);
    left->addWidget(margins);
    auto* right = new QVBoxLayout;
    right->addWidget(info);
    right->addWidget(size);
    columns->addLayout(left);
    columns->addLayout(right);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(buttons);

    connect(m_size, &QButtonGroup::idClicked, this, &CPrintSetupDlg::OnSizeMode);
    connect(m_width, &QLineEdit::textEdited, this, &CPrintSetupDlg::OnWidthEdited);
    connect(m_height, &QLineEdit::textEdited, this, &CPrintSetupDlg::OnHeightEdited);
    const int mode = CSettings::Clamp(40, settings.printSizeMode);
    m_size->button(mode)->setChecked(true);
    OnSizeMode(mode);
}

QString CPrintSetupDlg::Shown(int32_t pageUnits, int decimals) const
{
    return QString::fromStdString(vkprint::FormatLength(pageUnits, m_values.imageSizeUnit, decimals));
}

void CPrintSetupDlg::Show(QLineEdit* edit, int32_t pageUnits)
{
    const QString text = Shown(pageUnits);
    edit->setText(text);
    m_shown[edit] = {text, pageUnits};
}

int32_t CPrintSetupDlg::Stored(const QLineEdit* edit, int32_t fallback) const
{
    if (auto shown = m_shown.find(edit); shown != m_shown.end()) {
        if (edit->text() == shown->second.first)
            return shown->second.second;
        fallback = shown->second.second;
    }
    bool ok = false;
    const int32_t value =
        vkprint::ParseLength(edit->text().trimmed().toStdString(), m_values.imageSizeUnit, ok);
    return ok ? value : fallback;
}

void CPrintSetupDlg::OnSizeMode(int mode)
{
    const bool custom = mode == 2;
    const bool thumbnails = mode == 3;
    m_width->setEnabled(custom || thumbnails);
    m_height->setEnabled(custom || thumbnails);
    m_constrain->setEnabled(custom || thumbnails);
    m_thumbnails->setEnabled(thumbnails);
    // Thumbnail pages print only names and dimensions.
    m_info[0]->setEnabled(!thumbnails);
    m_info[3]->setEnabled(!thumbnails);
    const QSignalBlocker blockWidth(m_width);
    const QSignalBlocker blockHeight(m_height);
    if (custom) {
        Show(m_width, m_imageWidth);
        Show(m_height, m_imageHeight);
        m_proportion = m_imageHeight > 0 ? double(m_imageWidth) / m_imageHeight : 1.0;
    } else if (thumbnails) {
        Show(m_width, m_values.printThumbWidth);
        Show(m_height, m_values.printThumbHeight);
        m_proportion = m_values.printThumbHeight > 0
                           ? double(m_values.printThumbWidth) / m_values.printThumbHeight
                           : 1.0;
    }
}

void CPrintSetupDlg::OnWidthEdited()
{
    if (m_guard || !m_constrain->isChecked())
        return;
    m_guard = true;
    const std::string other = vkprint::ConstrainedText(m_width->text().trimmed().toStdString(), m_proportion,
                                                       true, m_values.imageSizeUnit);
    if (!other.empty())
        m_height->setText(QString::fromStdString(other));
    m_guard = false;
}

void CPrintSetupDlg::OnHeightEdited()
{
    if (m_guard || !m_constrain->isChecked())
        return;
    m_guard = true;
    const std::string other = vkprint::ConstrainedText(m_height->text().trimmed().toStdString(), m_proportion,
                                                       false, m_values.imageSizeUnit);
    if (!other.empty())
        m_width->setText(QString::fromStdString(other));
    m_guard = false;
}

CSettings CPrintSetupDlg::GetValues() const
{
    CSettings v = m_values;
    v.printVertical = m_vertical->checkedId() >= 0 ? m_vertical->checkedId() : v.printVertical;
    v.printHorizontal = m_horizontal->checkedId() >= 0 ? m_horizontal->checkedId() : v.printHorizontal;
    v.printInfoPath = m_info[0]->isChecked();
    v.printInfoName = m_info[1]->isChecked();
    v.printInfoDimensions = m_info[2]->isChecked();
    v.printInfoFileSize = m_info[3]->isChecked();
    v.printInfoAlign = m_align->currentIndex();
    v.printInfoPosition = m_infoPosition->currentIndex();
    v.printMarginLeft = Stored(m_margins[0], v.printMarginLeft);
    v.printMarginTop = Stored(m_margins[1], v.printMarginTop);
    v.printMarginRight = Stored(m_margins[2], v.printMarginRight);
    v.printMarginBottom = Stored(m_margins[3], v.printMarginBottom);
    v.printSizeMode = m_size->checkedId() >= 0 ? m_size->checkedId() : v.printSizeMode;
    if (v.printSizeMode == 2) {
        v.printCustomWidth = Stored(m_width, v.printCustomWidth);
        v.printCustomHeight = Stored(m_height, v.printCustomHeight);
    } else if (v.printSizeMode == 3) {
        v.printThumbWidth = Stored(m_width, v.printThumbWidth);
        v.printThumbHeight = Stored(m_height, v.printThumbHeight);
    }
    v.printThumbSelectedOnly = m_thumbnails->currentIndex();
    // The edits take any number; the stored file must read back the same.
    v.ClampAll();
    return v;
}

bool RunPrintSetup(CSettings& settings, int imageWidth, int imageHeight, QWidget* parent)
{
    CPrintSetupDlg dialog(settings, imageWidth, imageHeight, parent);
    if (vkui::execDialog(dialog) != QDialog::Accepted)
        return false;
    settings = dialog.GetValues();
    return true;
}
