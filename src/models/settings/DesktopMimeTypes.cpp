// Build tool: prints the MimeType value of the installed desktop entry,
// every MIME type of the format registry's kinds, in row order, each once.
#include "engine/picture/FormatRegistry.h"

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

int main()
{
    std::vector<std::string> types;
    for (const PictureFormatInfo& row : kPictureFormats)
        for (const FileKind& kind : row.kinds)
            if (kind.mimeType && std::find(types.begin(), types.end(), kind.mimeType) == types.end())
                types.push_back(kind.mimeType);
    for (const std::string& type : types)
        std::cout << type << ';';
    std::cout << '\n';
    return types.empty() ? 1 : 0;
}
