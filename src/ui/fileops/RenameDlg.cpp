#include "ui/fileops/RenameDlg.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QLineEdit* NameEdit(const std::string& text, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(kNameFieldLength);
    edit->setText(QString::fromStdString(text));
    edit->selectAll();
    edit->setMinimumWidth(260);
    return edit;
}

void AddButtons(QDialog* dialog, QVBoxLayout* layout)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
}

} // namespace

CRenameDlg::CRenameDlg(const std::string& prompt, const std::string& name, QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Rename");
    auto* layout = new QVBoxLayout(this);
    m_prompt = new QLabel(QString::fromStdString(prompt), this);
    m_prompt->setTextFormat(Qt::PlainText);
    m_edit = NameEdit(name, this);
    layout->addWidget(m_prompt);
    layout->addWidget(m_edit);
    AddButtons(this, layout);
}

std::string CRenameDlg::GetName() const
{
    return m_edit->text().toStdString();
}

CRenameSeriesDlg::CRenameSeriesDlg(const std::string& base, int scope, QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Rename Series");
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox("Name", this);
    auto* groupLayout = new QVBoxLayout(group);
    m_edit = NameEdit(base, group);
    m_all = new QRadioButton("&All files in directory", group);
    m_selected = new QRadioButton("&Selected files only", group);
    (scope == 1 ? m_selected : m_all)->setChecked(true);
    groupLayout->addWidget(m_edit);
    groupLayout->addWidget(m_all);
    groupLayout->addWidget(m_selected);
    layout->addWidget(group);
    AddButtons(this, layout);
}

std::string CRenameSeriesDlg::GetBase() const
{
    return m_edit->text().toStdString();
}

int CRenameSeriesDlg::GetScope() const
{
    return m_selected->isChecked() ? 1 : 0;
}

CMakeDirectoryDlg::CMakeDirectoryDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Make Directory");
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel("Directory name:", this);
    m_edit = NameEdit("", this);
    label->setBuddy(m_edit);
    layout->addWidget(label);
    layout->addWidget(m_edit);
    AddButtons(this, layout);
}

std::string CMakeDirectoryDlg::GetName() const
{
    return m_edit->text().toStdString();
}
