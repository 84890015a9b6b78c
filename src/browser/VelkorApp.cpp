// The application object: creates the main frame and runs the event loop.
#include "MainFrm.h"
#include "picture/except.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Velkor");
    CMainFrame frame;
    SetWarningCallback([&frame](const std::string& text) {
        QMetaObject::invokeMethod(&frame, [&frame, text] {
            QMessageBox::warning(&frame, "Velkor", QString::fromStdString(text));
        });
    });
    frame.showMaximized();
    const QStringList args = QApplication::arguments();
    if (args.size() > 1)
        frame.OpenFile(args.at(1));
    return app.exec();
}
