#pragma once

// What stands at a name, told from the mode an lstat or fstat gave, so that a refusal can say what it found.

#include <QString>

#include <sys/stat.h>

enum FILE_KIND
{
    FILE_KIND_REGULAR,
    FILE_KIND_LINK,
    FILE_KIND_PIPE,
    FILE_KIND_DEVICE,
    FILE_KIND_FOLDER,
    FILE_KIND_SOCKET,
};

inline FILE_KIND FileKindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return FILE_KIND_REGULAR;
    if (S_ISLNK(mode))
        return FILE_KIND_LINK;
    if (S_ISFIFO(mode))
        return FILE_KIND_PIPE;
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return FILE_KIND_DEVICE;
    if (S_ISDIR(mode))
        return FILE_KIND_FOLDER;
    return FILE_KIND_SOCKET;
}

// The kind for the operator ("a named pipe"), in the program's language.
QString FileKindText(FILE_KIND kind);
