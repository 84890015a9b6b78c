#include "ui/fileops/ConfirmReplaceDlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using vkfileops::ReplaceAnswer;

namespace {

QGroupBox* FileGroup(const QString& title, const std::string& path, const std::string& line, QWidget* parent)
{
    auto* group = new QGroupBox(title, parent);
    auto* layout = new QVBoxLayout(group);
    for (const std::string& text : {path, line}) {
        auto* label = new QLabel(QString::fromStdString(text), group);
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(label);
    }
    return group;
}

} // namespace

CConfirmReplaceDlg::CConfirmReplaceDlg(const vkfileops::ReplaceQuestion& q, QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Confirm Replace");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("This file already exists.", this));
    layout->addWidget(FileGroup("Replace file", q.destinationPath, q.destinationLine, this));
    layout->addWidget(FileGroup("With file", q.sourcePath, q.sourceLine, this));
    auto* renameGroup = new QGroupBox("Rename file", this);
    auto* renameLayout = new QVBoxLayout(renameGroup);
    m_rename = new QLineEdit(QString::fromStdString(q.renameText), renameGroup);
    renameLayout->addWidget(m_rename);
    layout->addWidget(renameGroup);

    const std::pair<ReplaceAnswer, const char*> buttons[] = {
        {ReplaceAnswer::Replace, "&Replace"},
        {ReplaceAnswer::ReplaceAll, "Replace &All"},
        {ReplaceAnswer::ReplaceAllOlder, "Replace All &Older"},
        {ReplaceAnswer::Skip, "&Skip"},
        {ReplaceAnswer::SkipAll, "S&kip All"},
        {ReplaceAnswer::Rename, "Re&name"},
        {ReplaceAnswer::Cancel, "&Cancel"}};
    auto* grid = new QGridLayout;
    int index = 0;
    for (const auto& [answer, text] : buttons) {
        auto* button = new QPushButton(text, this);
        const int code = int(answer);
        connect(button, &QPushButton::clicked, this, [this, code] { done(code); });
        m_buttons.emplace_back(answer, button);
        grid->addWidget(button, index / 4, index % 4);
        ++index;
    }
    // Re&name is the dialog's OK: Enter in the field renames.
    GetButton(ReplaceAnswer::Rename)->setDefault(true);
    layout->addLayout(grid);
}

QPushButton* CConfirmReplaceDlg::GetButton(ReplaceAnswer answer) const
{
    for (const auto& [a, button] : m_buttons)
        if (a == answer)
            return button;
    return nullptr;
}

std::string CConfirmReplaceDlg::GetRenameText() const
{
    return m_rename->text().toStdString();
}

ReplaceAnswer CConfirmReplaceDlg::AnswerOf(int result)
{
    switch (result) {
    case 1:
    case 1107:
    case 1108:
    case 1110:
    case 1111:
    case 1112:
        return ReplaceAnswer(result);
    default:
        return ReplaceAnswer::Cancel;
    }
}

void CConfirmReplaceDlg::reject()
{
    done(int(ReplaceAnswer::Cancel));
}
