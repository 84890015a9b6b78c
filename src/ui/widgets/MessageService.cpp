#include "ui/widgets/MessageService.h"
#include "models/platform/Folders.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QUrl>

namespace vkui {
namespace {

AskHandler& askHandler()
{
    static AskHandler handler;
    return handler;
}
DialogHandler& dialogHandler()
{
    static DialogHandler handler;
    return handler;
}
OpenFileHandler& openFileHandler()
{
    static OpenFileHandler handler;
    return handler;
}
SaveFileHandler& saveFileHandler()
{
    static SaveFileHandler handler;
    return handler;
}
UrlHandler& urlHandler()
{
    static UrlHandler handler;
    return handler;
}
QPointer<QWidget>& messageParent()
{
    static QPointer<QWidget> parent;
    return parent;
}

} // namespace

void setAskHandler(AskHandler handler)
{
    askHandler() = std::move(handler);
}
void setDialogHandler(DialogHandler handler)
{
    dialogHandler() = std::move(handler);
}
void setOpenFileHandler(OpenFileHandler handler)
{
    openFileHandler() = std::move(handler);
}
void setSaveFileHandler(SaveFileHandler handler)
{
    saveFileHandler() = std::move(handler);
}
void setMessageParent(QWidget* parent)
{
    messageParent() = parent;
}
void setUrlHandler(UrlHandler handler)
{
    urlHandler() = std::move(handler);
}

bool openUrl(const QUrl& url)
{
    if (urlHandler())
        return urlHandler()(url);
    return QDesktopServices::openUrl(url);
}

QString manualPath()
{
    const QString page = QString::fromStdString(vkplatform::ManualPath());
    return page.isEmpty() ? page : QFileInfo(page).canonicalFilePath();
}

Answer ask(const QString& text, Buttons buttons, Icon icon)
{
    if (askHandler())
        return askHandler()(text, buttons, icon);

    QMessageBox box(messageParent());
    box.setWindowTitle(QApplication::applicationName().isEmpty() ? QStringLiteral("Velkor")
                                                                 : QApplication::applicationName());
    box.setText(text);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Buttons::OkSkipAll:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    QAbstractButton* skipAll = nullptr;
    if (buttons == Buttons::OkSkipAll) {
        skipAll = box.addButton(QStringLiteral("Skip all"), QMessageBox::ActionRole);
        box.setEscapeButton(QMessageBox::Ok);
    }
    const int result = box.exec();
    if (skipAll && box.clickedButton() == skipAll)
        return Answer::SkipAll;
    switch (result) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        return buttons == Buttons::Ok || buttons == Buttons::OkSkipAll ? Answer::Ok : Answer::Cancel;
    }
}

int execDialog(QDialog& dialog)
{
    if (dialogHandler())
        return dialogHandler()(dialog);
    return dialog.exec();
}

QString openFileName(QWidget* parent, const QString& caption, const QString& directory,
                     const QStringList& filters)
{
    if (openFileHandler())
        return openFileHandler()(directory, filters);
    QFileDialog dialog(parent, caption, directory);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setNameFilters(filters);
    if (execDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

} // namespace vkui

namespace vkui {

QString saveFileName(QWidget* parent, const QString& directory, const QString& name,
                     const QStringList& filters, const QString& defaultSuffix)
{
    if (saveFileHandler())
        return saveFileHandler()(directory, name, filters);
    QFileDialog dialog(parent, QString(), directory);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(0));
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.selectFile(name);
    if (execDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

} // namespace vkui
