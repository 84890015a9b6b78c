// The message seams of the windows and dialogs answered by a script, for
// headless tests: every message box is recorded, every URL opened too.
#pragma once

#include "ui/widgets/MessageService.h"

#include <QString>
#include <QUrl>

#include <deque>
#include <string>
#include <vector>

namespace vkuitest {

// Records every message box and answers from a script (No when empty).
class ScriptedAsk {
  public:
    ScriptedAsk()
    {
        vkui::setAskHandler([this](const QString& text, vkui::Buttons, vkui::Icon) {
            shown.push_back(text.toStdString());
            if (answers.empty())
                return vkui::Answer::No;
            const vkui::Answer a = answers.front();
            answers.pop_front();
            return a;
        });
        vkui::setUrlHandler([this](const QUrl& url) {
            opened.push_back(url.toString().toStdString());
            return urlOpens;
        });
    }
    ~ScriptedAsk()
    {
        vkui::setAskHandler({});
        vkui::setUrlHandler({});
        vkui::setOpenFileHandler({});
        vkui::setDialogHandler({});
    }
    std::vector<std::string> shown;
    std::vector<std::string> opened;
    bool urlOpens = true; // what the browser seam answers
    std::deque<vkui::Answer> answers;
};

} // namespace vkuitest
