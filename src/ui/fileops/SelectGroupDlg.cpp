#include "ui/fileops/SelectGroupDlg.h"

#include "ui/widgets/MessageService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QLineEdit* NumberEdit(const QString& text, int digits, QWidget* parent)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QString("\\d{0,%1}").arg(digits)), edit));
    edit->setMaxLength(digits);
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QString(digits + 2, QChar('0'))));
    return edit;
}

QSpinBox* Spin(int max, QWidget* parent)
{
    auto* spin = new QSpinBox(parent);
    spin->setRange(1, max);
    spin->setValue(1);
    return spin;
}

} // namespace

CSelectGroupDlg::CSelectGroupDlg(bool unselect, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(unselect ? "Unselect Group" : "Select Group");
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(unselect ? "Unselect all files with" : "Select all files with", this);
    auto* grid = new QGridLayout(group);

    m_useExtension = new QCheckBox("&Extension:", group);
    m_extension = new QComboBox(group);
    for (const std::string& ext : vkfileops::GroupExtensions())
        m_extension->addItem(QString::fromStdString(ext));
    m_extension->setCurrentText("bmp");
    auto* extensionRow = new QHBoxLayout;
    extensionRow->addWidget(m_extension);
    extensionRow->addStretch(1);
    grid->addWidget(m_useExtension, 0, 0);
    grid->addLayout(extensionRow, 0, 1);

    m_useSize = new QCheckBox("File &size:", group);
    m_operator = new QComboBox(group);
    m_operator->addItems({"=", "<", ">"});
    m_size = NumberEdit("1", 10, group);
    m_unit = new QComboBox(group);
    m_unit->addItems({"bytes", "KB", "MB"});
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(m_operator);
    sizeRow->addWidget(m_size);
    sizeRow->addWidget(m_unit);
    sizeRow->addStretch(1);
    grid->addWidget(m_useSize, 1, 0);
    grid->addLayout(sizeRow, 1, 1);

    m_useDate = new QCheckBox("&Date between:", group);
    m_fromMonth = Spin(12, group);
    m_fromDay = Spin(31, group);
    m_fromYear = NumberEdit("2000", 4, group);
    m_toMonth = Spin(12, group);
    m_toDay = Spin(31, group);
    m_toYear = NumberEdit("2000", 4, group);
    auto* dateRow = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(m_fromMonth), static_cast<QWidget*>(m_fromDay),
                       static_cast<QWidget*>(m_fromYear)})
        dateRow->addWidget(w);
    dateRow->addWidget(new QLabel("and", group));
    for (QWidget* w :
         {static_cast<QWidget*>(m_toMonth), static_cast<QWidget*>(m_toDay), static_cast<QWidget*>(m_toYear)})
        dateRow->addWidget(w);
    dateRow->addStretch(1);
    grid->addWidget(m_useDate, 2, 0);
    grid->addLayout(dateRow, 2, 1);
    layout->addWidget(group);

    if (!unselect) {
        m_expand = new QCheckBox("E&xpand selection", this);
        layout->addWidget(m_expand);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSelectGroupDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSelectGroupDlg::reject);
    layout->addWidget(buttons);

    for (QCheckBox* box : {m_useExtension, m_useSize, m_useDate})
        connect(box, &QCheckBox::toggled, this, &CSelectGroupDlg::UpdateEnabled);
    UpdateEnabled();
}

void CSelectGroupDlg::UpdateEnabled()
{
    m_extension->setEnabled(m_useExtension->isChecked());
    for (QWidget* w :
         {static_cast<QWidget*>(m_operator), static_cast<QWidget*>(m_size), static_cast<QWidget*>(m_unit)})
        w->setEnabled(m_useSize->isChecked());
    for (QWidget* w : {static_cast<QWidget*>(m_fromMonth), static_cast<QWidget*>(m_fromDay),
                       static_cast<QWidget*>(m_fromYear), static_cast<QWidget*>(m_toMonth),
                       static_cast<QWidget*>(m_toDay), static_cast<QWidget*>(m_toYear)})
        w->setEnabled(m_useDate->isChecked());
}

vkfileops::GroupCriteria CSelectGroupDlg::GetCriteria() const
{
    vkfileops::GroupCriteria c;
    c.useExtension = m_useExtension->isChecked();
    c.extension = m_extension->currentText().toStdString();
    c.useSize = m_useSize->isChecked();
    c.sizeOperator = m_operator->currentIndex();
    c.sizeNumber = m_size->text().toULongLong(); // 0 when empty
    c.sizeUnit = m_unit->currentIndex();
    c.useDate = m_useDate->isChecked();
    c.fromMonth = m_fromMonth->value();
    c.fromDay = m_fromDay->value();
    c.fromYear = m_fromYear->text().toInt();
    c.toMonth = m_toMonth->value();
    c.toDay = m_toDay->value();
    c.toYear = m_toYear->text().toInt();
    c.expandSelection = m_expand && m_expand->isChecked();
    return c;
}

void CSelectGroupDlg::accept()
{
    const std::string message = vkfileops::ValidateGroupCriteria(GetCriteria());
    if (!message.empty()) {
        vkui::ask(QString::fromStdString(message), vkui::Buttons::Ok, vkui::Icon::Warning);
        return;
    }
    QDialog::accept();
}
