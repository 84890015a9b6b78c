#include "Trash.h"

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
    if (!file.moveToTrash()) {
        if (error)
            *error = file.errorString().toStdString();
        return false;
    }
    return true;
}

} // namespace vkplatform
