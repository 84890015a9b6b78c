// Build tool: prints the MimeType value of the installed desktop entry,
// every MIME type of an extension the file list shows, in the format
// table's order, each once.
#include "engine/picture/FormatRegistry.h"
#include "models/settings/Registry.h"

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

int main()
{
    std::vector<std::string> types;
    for (const ReadableFormat& format : ReadableFormats())
        for (const char* extension : format.extensions) {
            const std::string type = CRegistry::MimeTypeFor(std::string(".") + extension);
            if (!type.empty() && std::find(types.begin(), types.end(), type) == types.end())
                types.push_back(type);
        }
    for (const std::string& type : types)
        std::cout << type << ';';
    std::cout << '\n';
    return types.empty() ? 1 : 0;
}
