#include "platform/FileKind.h"

#include <QCoreApplication>

QString FileKindText(FILE_KIND kind)
{
    switch (kind) {
    case FILE_KIND_REGULAR:
        return QCoreApplication::translate("FileKind", "a file");
    case FILE_KIND_LINK:
        return QCoreApplication::translate("FileKind", "a link");
    case FILE_KIND_PIPE:
        return QCoreApplication::translate("FileKind", "a named pipe");
    case FILE_KIND_DEVICE:
        return QCoreApplication::translate("FileKind", "a device");
    case FILE_KIND_FOLDER:
        return QCoreApplication::translate("FileKind", "a folder");
    case FILE_KIND_SOCKET:
        break;
    }
    return QCoreApplication::translate("FileKind", "a socket");
}
