// velkor-cli: the picture engine for scripts and batch work.
#include "cli/CliBatch.h"
#include "cli/CliCamera.h"
#include "cli/CliEdit.h"
#include "cli/CliHelp.h"
#include "cli/CliJson.h"
#include "cli/CliOptions.h"
#include "cli/CliTurn.h"
#include "engine/picture/Animation.h"
#include "engine/picture/AnyPicDecoder.h"
#include "engine/picture/FormatRegistry.h"

#include <iostream>
#include <string>
#include <vector>

namespace {

std::string ErrorText(const CTextException& e)
{
    std::string text = e.GetText();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

// Formats whose EXIF orientation we read; the libraries of the others turn
// their pictures upright themselves.
bool OrientationKnown(int format)
{
    const PictureFormatInfo* row = FindPictureFormat(format);
    return row && row->storedOrientation;
}

// Frames, total duration and loops of a picture that moves; a still one
// (or one whose frames cannot be read) has one frame.
struct Motion {
    int frames = 1;
    int64_t durationMs = 0;
    int loops = 0;
    int width = 0, height = 0;
};

Motion MotionOf(const std::string& path)
{
    Motion motion;
    try {
        if (auto frames = OpenFramesOfFile(path)) {
            motion.frames = frames->FrameCount();
            motion.durationMs = frames->TotalDuration();
            motion.loops = frames->LoopCount();
            motion.width = frames->Width();
            motion.height = frames->Height();
        }
    } catch (const CTextException&) {
        // Shown as the still picture the decoder read.
    }
    return motion;
}

std::string MotionText(const Motion& motion)
{
    if (motion.frames < 2)
        return "";
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", double(motion.durationMs) / 1000.0);
    return " " + std::to_string(motion.frames) + " frames " + seconds + " s " +
           (motion.loops == 0 ? std::string("looping") : "played " + std::to_string(motion.loops) + "x");
}

int Info(const CliRequest& request)
{
    int status = 0;
    CAnyPicDecoder decoder;
    decoder.SetApplyOrientation(request.orient);
    // A RAW file's size is read beside its preview: nothing is developed.
    decoder.SetChoice({.page = request.page, .preview = true});
    if (request.json)
        std::cout << "[\n";
    for (size_t i = 0; i < request.inputs.size(); ++i) {
        const std::string& path = request.inputs[i];
        CWinBmp bmp;
        std::string json = "{\"path\": " + JsonString(path);
        // A damaged file read in part is told apart from a whole one.
        std::vector<std::string> warnings;
        try {
            {
                CWarningScope scope([&](const std::string& text) { warnings.push_back(text); });
                decoder.DecodeFile(path, bmp, 32);
            }
            for (const std::string& text : warnings)
                std::cerr << path << ": warning: " << text << "\n";
            const int format = decoder.GetDetectedFormat();
            const CPicDecoder::Found& found = decoder.GetFound();
            // A picture that moves is as large as its canvas; a RAW file's
            // preview stands for its full size.
            const Motion motion = MotionOf(path);
            const int width = motion.frames > 1 ? motion.width
                              : found.preview   ? found.fullWidth
                                                : bmp.GetWidth();
            const int height = motion.frames > 1 ? motion.height
                               : found.preview   ? found.fullHeight
                                                 : bmp.GetHeight();
            if (request.json) {
                std::string texts;
                for (const std::string& text : warnings)
                    texts += (texts.empty() ? "" : ", ") + JsonString(text);
                json += std::string(", \"status\": ") + (warnings.empty() ? "\"ok\"" : "\"damaged\"") +
                        ", \"warnings\": [" + texts + "]";
                json += ", \"format\": " + JsonString(FormatName(format)) +
                        ", \"width\": " + std::to_string(width) + ", \"height\": " + std::to_string(height) +
                        ", \"bits_per_pixel\": " + std::to_string(bmp.GetSourceBitsPerPixel()) +
                        ", \"pages\": " + std::to_string(found.pageCount) + ", \"orientation\": " +
                        (OrientationKnown(format) ? std::to_string(decoder.GetStoredOrientation()) : "null") +
                        ", \"frames\": " + std::to_string(motion.frames) + ", \"duration_ms\": " +
                        (motion.frames > 1 ? std::to_string(motion.durationMs) : "null") +
                        ", \"loops\": " + (motion.frames > 1 ? std::to_string(motion.loops) : "null") +
                        CameraJson(ReadPhotoMetadata(path, request.allTags), request.allTags) +
                        ", \"error\": null";
            } else {
                std::cout << path << ": " << FormatName(format) << " " << width << "x" << height << " "
                          << bmp.GetSourceBitsPerPixel() << " bpp" << MotionText(motion);
                if (found.pageCount > 1)
                    std::cout << " " << found.pageCount << " pages";
                // The size shown is the upright one unless --no-orient was given.
                if (decoder.GetStoredOrientation() != 1)
                    std::cout << " orientation " << decoder.GetStoredOrientation();
                std::cout << "\n";
                PrintCamera(std::cout, ReadPhotoMetadata(path, request.allTags), request.allTags);
            }
        } catch (const CTextException& e) {
            status = 1;
            if (request.json)
                json += ", \"status\": \"error\", \"warnings\": [], \"format\": null, \"width\": null, "
                        "\"height\": null, \"bits_per_pixel\": null, \"pages\": null, "
                        "\"orientation\": null, \"frames\": null, \"duration_ms\": null, \"loops\": null, "
                        "\"camera\": null, \"error\": {\"code\": " +
                        std::to_string(e.GetCode()) + ", \"text\": " + JsonString(ErrorText(e)) + "}";
            else
                std::cerr << path << ": error " << e.GetCode() << ": " << ErrorText(e) << "\n";
        }
        if (request.json)
            std::cout << json << "}" << (i + 1 < request.inputs.size() ? ",\n" : "\n") << std::flush;
    }
    if (request.json)
        std::cout << "]\n";
    return status;
}

int Colors(const CliRequest& request)
{
    try {
        CAnyPicDecoder decoder;
        decoder.SetApplyOrientation(request.orient);
        decoder.SetChoice({.page = request.page, .preview = false});
        CWinBmp bmp;
        decoder.DecodeFile(request.inputs[0], bmp, 32);
        std::cout << DescribeColorCount(bmp) << "\n";
        return 0;
    } catch (const CTextException& e) {
        std::cerr << request.inputs[0] << ": error " << e.GetCode() << ": " << ErrorText(e) << "\n";
        return 1;
    }
}

int Help(const CliRequest& request)
{
    const std::string topic =
        request.command == "help" ? (request.inputs.empty() ? "" : request.inputs[0]) : request.command;
    if (topic.empty() || topic == "help") {
        std::cout << HelpText();
        return 0;
    }
    const CliCommand* command = FindCliCommand(topic);
    if (!command) {
        std::cerr << "velkor-cli: no command " << topic << "; velkor-cli --help lists them\n";
        return 2;
    }
    std::cout << CommandHelpText(*command);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    SetWarningCallback([](const std::string& text) { std::cerr << "warning: " << text << "\n"; });
    CliRequest request;
    std::string error;
    if (!ParseCommandLine(argc, argv, request, error)) {
        std::cerr << "velkor-cli: " << error << "\n";
        if (error.rfind("error ", 0) != 0)
            std::cerr << "velkor-cli --help lists the commands and options\n";
        return 2;
    }
    if (request.generate == "man") {
        std::cout << ManPage();
        return 0;
    }
    if (request.generate == "completion") {
        std::cout << BashCompletion();
        return 0;
    }
    if (request.version) {
        std::cout << VersionText();
        return 0;
    }
    if (request.help)
        return Help(request);
    if (request.command == "info")
        return Info(request);
    if (request.command == "convert")
        return RunConvert(request);
    if (request.command == "jpeg-turn")
        return RunJpegTurn(request);
    if (request.command == "thumbnails")
        return RunThumbnails(request);
    return Colors(request);
}
