// The one way windows ask the user something: message boxes, questions and
// modal dialogs all pass through here, so a test can script the answers.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QDialog;
class QUrl;
class QWidget;

namespace vkui {

// OkSkipAll: OK beside "Skip all" (answered SkipAll).
enum class Buttons { Ok, YesNo, YesNoCancel, OkCancel, OkSkipAll };
enum class Icon { None, Information, Warning, Error, Question };
enum class Answer { Ok, Yes, No, Cancel, SkipAll };

// Shows `text` with the program name as caption and returns the button
// the user pressed.
Answer ask(const QString& text, Buttons buttons = Buttons::Ok, Icon icon = Icon::Warning);

// Runs a modal dialog; returns its result (QDialog::Accepted or Rejected).
int execDialog(QDialog& dialog);

// The platform's file-open dialog; "" when cancelled.
QString openFileName(QWidget* parent, const QString& caption, const QString& directory,
                     const QStringList& filters);

// The platform's save-file dialog in `directory` with `name` filled in,
// the filters listed (the first selected) and a question before an
// existing file is replaced; "" when cancelled.
QString saveFileName(QWidget* parent, const QString& directory, const QString& name,
                     const QStringList& filters, const QString& defaultSuffix);

// Opens a document in the user's browser; false when nothing could open it.
bool openUrl(const QUrl& url);
// The first page of the manual ("" when it cannot be found).
QString manualPath();

// Replaces the interactive behaviour; an empty function restores it.
using AskHandler = std::function<Answer(const QString&, Buttons, Icon)>;
using DialogHandler = std::function<int(QDialog&)>;
using OpenFileHandler = std::function<QString(const QString& directory, const QStringList& filters)>;
void setAskHandler(AskHandler handler);
void setDialogHandler(DialogHandler handler);
void setOpenFileHandler(OpenFileHandler handler);
using SaveFileHandler =
    std::function<QString(const QString& directory, const QString& name, const QStringList& filters)>;
void setSaveFileHandler(SaveFileHandler handler);
using UrlHandler = std::function<bool(const QUrl&)>;
void setUrlHandler(UrlHandler handler);

// The parent of message boxes (the main frame).
void setMessageParent(QWidget* parent);

} // namespace vkui
