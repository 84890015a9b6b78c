// The application object: creates the main frame, hands it the file named
// on the command line and runs the event loop.
#include "engine/picture/TextException.h"
#include "models/platform/TerminationSignals.h"
#include "ui/shell/MainFrm.h"
#include "ui/widgets/DisplayColour.h"
#include "ui/widgets/MessageService.h"

#include <QApplication>
#include <QPointer>
#include <QSessionManager>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Velkor");
    QApplication::setApplicationVersion("1.0");
    // Lets the desktop (Wayland in particular) tie the window to the
    // installed entry and its icon.
    QGuiApplication::setDesktopFileName("velkor");
    // Pictures are shown in the screen's colours (sRGB without a profile).
    vkdisplay::SetScreenProfile(vkdisplay::ReadX11ScreenProfile());

    auto* frame = new CMainFrame;
    frame->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<CMainFrame> target(frame);
    // Decoders warn from the decode thread: the text is shown on the GUI
    // thread, through the application object that outlives every window.
    SetWarningCallback([](const std::string& text) {
        QMetaObject::invokeMethod(
            qApp, [text] { vkui::ask(QString::fromStdString(text)); }, Qt::QueuedConnection);
    });

    // Every file named (the desktop passes all it was given): the first
    // one's folder opens with them selected.
    const QStringList args = QApplication::arguments();
    QStringList files;
    for (qsizetype i = 1; i < args.size(); ++i)
        if (!args.at(i).startsWith('-'))
            files.push_back(args.at(i));
    frame->SetStartupFiles(files);

    // A signal to end, the end of the session or a quit from outside: the
    // files are saved and the program ends without a question.
    CTerminationSignals endSignals;
    QObject::connect(&endSignals, &CTerminationSignals::Received, frame, &CMainFrame::EndSession);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, frame,
                     [frame](QSessionManager&) { frame->EndSession(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, frame, &CMainFrame::EndSession);
    // Where the window was last time; maximised the first time.
    if (frame->RestoreWindowState())
        frame->showMaximized();
    else
        frame->show();
    const int status = app.exec();
    SetWarningCallback({});
    delete target.data();
    return status;
}
