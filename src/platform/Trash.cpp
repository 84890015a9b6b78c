#include "Trash.h"

#include "Folders.h"

#include <QFile>
#include <QString>

namespace vkplatform {

bool MoveToTrash(const std::string& path, std::string* error)
{
    QFile file(QString::fromStdString(path));
    if (!file.exists()) {
        if (error)
            *error = "The file does not exist.";
        return false;
    }
    // The home trash lives under the data folder; a fresh account may not
    // have that folder yet, and the trash is not made without it.
    MakePath(XdgDataHome());
    if (!file.moveToTrash()) {
        if (error)
            *error = file.errorString().toStdString();
        return false;
    }
    return true;
}

} // namespace vkplatform
