#include "ui/shell/HelpCommands.h"

#include "models/browser/StatusTexts.h"
#include "ui/shell/CommandRegistry.h"
#include "ui/shell/FramePorts.h"
#include "ui/widgets/MessageService.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr const char* kTextNoManual = "The manual is not installed.";
constexpr const char* kTextManualNotOpened =
    "No web browser could open the manual. Open this file in a browser:\n";

void ShowContents()
{
    // Without a word, F1 on a system with no browser set up seemed dead.
    const QString manual = vkui::manualPath();
    if (manual.isEmpty())
        vkui::ask(kTextNoManual, vkui::Buttons::Ok, vkui::Icon::Information);
    else if (!vkui::openUrl(QUrl::fromLocalFile(manual)))
        vkui::ask(kTextManualNotOpened + manual, vkui::Buttons::Ok, vkui::Icon::Information);
}

void ShowAbout(QWidget* parent)
{
    QDialog about(parent);
    about.setWindowTitle("About Velkor");
    auto* layout = new QVBoxLayout(&about);
    auto* row = new QHBoxLayout;
    auto* picture = new QLabel(&about);
    picture->setPixmap(QIcon(":/icons/velkor.png").pixmap(32, 32));
    row->addWidget(picture);
    auto* text =
        new QLabel(QString(vktext::kProgramTitle) + "\nAn image browser, viewer and editor.", &about);
    row->addWidget(text, 1);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &about);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
    layout->addWidget(buttons);
    vkui::execDialog(about);
}

} // namespace

void BindHelpCommands(const CommandContext& ctx, CommandRegistry& commands)
{
    commands.Bind(Cmd::HelpContents, {.run = ShowContents});
    commands.Bind(Cmd::HelpUsingHelp, {.run = ShowContents});
    commands.Bind(Cmd::HelpAbout, {.run = [parent = ctx.parent] { ShowAbout(parent); }});
}
