// velkor-cli: the picture engine for scripts and batch work.
#include "CliEdit.h"
#include "CliOptions.h"
#include "CliWrite.h"
#include "picture/AnyPicDecoder.h"

#include <cstdio>
#include <iostream>
#include <string>

namespace {

std::string Extension(const std::string& path)
{
    auto slash = path.rfind('/');
    auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    return path.substr(dot + 1);
}

std::string BaseName(const std::string& path)
{
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string StripExtension(const std::string& name)
{
    auto dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// Error texts end in a line end already when they come from RaiseError.
void PrintError(const std::string& prefix, const CTextException& e)
{
    std::string text = e.GetText();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    std::cerr << prefix << "error " << e.GetCode() << ": " << text << "\n";
}

int Info(const CliRequest& request)
{
    int status = 0;
    CAnyPicDecoder decoder;
    decoder.SetApplyOrientation(request.orient);
    for (const std::string& path : request.inputs) {
        CWinBmp bmp;
        try {
            decoder.DecodeFile(path, bmp, 32);
            std::cout << path << ": " << FormatName(decoder.GetDetectedFormat()) << " " << bmp.GetWidth()
                      << "x" << bmp.GetHeight() << " " << bmp.GetSourceBitsPerPixel() << " bpp";
            // The size shown is the upright one unless --no-orient was given.
            if (decoder.GetStoredOrientation() != 1)
                std::cout << " orientation " << decoder.GetStoredOrientation();
            std::cout << "\n";
        } catch (const CTextException& e) {
            PrintError(path + ": ", e);
            status = 1;
        }
    }
    return status;
}

int ConvertOne(CAnyPicDecoder& decoder, const CliRequest& request, const std::string& input,
               const std::string& output, const std::string& ext)
{
    try {
        CPictureEx picture;
        decoder.DecodeFile(input, picture, 32);
        for (const CliEditStep& step : request.edits)
            ApplyEdit(picture, step);
        WritePicture(picture, output, ext, request.save);
        return 0;
    } catch (const CTextException& e) {
        PrintError(request.inputs.size() > 1 ? input + ": " : std::string(), e);
        return 1;
    }
}

int Convert(const CliRequest& request)
{
    std::string ext = request.toExt.empty() ? Extension(request.output) : request.toExt;
    if (!IsWritableExtension(ext)) {
        std::cerr << "error " << ErrUnsupported << ": cannot write files of type '" << ext << "'\n";
        return 1;
    }
    CAnyPicDecoder decoder;
    decoder.SetApplyOrientation(request.orient);
    if (request.toExt.empty())
        return ConvertOne(decoder, request, request.inputs[0], request.output, ext);
    int status = 0;
    for (const std::string& input : request.inputs) {
        std::string output = request.outputDir + "/" + StripExtension(BaseName(input)) + "." + ext;
        status |= ConvertOne(decoder, request, input, output, ext);
    }
    return status;
}

int Colors(const CliRequest& request)
{
    try {
        CAnyPicDecoder decoder;
        decoder.SetApplyOrientation(request.orient);
        CWinBmp bmp;
        decoder.DecodeFile(request.inputs[0], bmp, 32);
        std::cout << DescribeColorCount(bmp) << "\n";
        return 0;
    } catch (const CTextException& e) {
        PrintError(request.inputs[0] + ": ", e);
        return 1;
    }
}

} // namespace

int main(int argc, char** argv)
{
    SetWarningCallback([](const std::string& text) { std::cerr << "warning: " << text << "\n"; });
    CliRequest request;
    std::string error;
    if (!ParseCommandLine(argc, argv, request, error)) {
        std::cerr << error << "\n";
        return 2;
    }
    if (request.command == "info")
        return Info(request);
    if (request.command == "convert")
        return Convert(request);
    return Colors(request);
}
