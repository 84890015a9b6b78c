#include "cli/CliTurn.h"

#include "cli/CliBatch.h"
#include "engine/edit/LosslessJpeg.h"
#include "engine/picture/TextException.h"

#include <atomic>
#include <iostream>
#include <mutex>

int RunJpegTurn(const CliRequest& request)
{
    const auto turn = JpegTurn(request.turn);
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex output;
    const auto say = [&](const std::string& line) {
        std::lock_guard lock(output);
        std::cerr << line << "\n";
    };
    auto work = [&] {
        for (size_t n = next.fetch_add(1); n < request.inputs.size(); n = next.fetch_add(1)) {
            const std::string& path = request.inputs[n];
            try {
                switch (TurnJpegFile(path, turn, request.trim)) {
                case JpegTurnResult::Turned:
                    break;
                case JpegTurnResult::AlreadyUpright:
                    if (!request.quiet)
                        say(path + ": upright already; left as it is");
                    break;
                case JpegTurnResult::NeedsTrim:
                    failed = true;
                    say(path +
                        ": the turn would move partial edge blocks; left as it is (--trim drops them)");
                    break;
                }
            } catch (const CTextException& e) {
                failed = true;
                std::string text = e.GetText();
                while (!text.empty() && text.back() == '\n')
                    text.pop_back();
                say(path + ": error " + std::to_string(e.GetCode()) + ": " + text);
            } catch (const std::bad_alloc&) {
                failed = true;
                say(path + ": error " + std::to_string(ErrNoMemory) + ": " + kTextOutOfMemory);
            }
        }
    };
    RunOnWorkers(request.jobs, request.inputs.size(), work);
    return failed ? 1 : 0;
}
