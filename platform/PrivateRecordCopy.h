#pragma once

// A private copy of a checked record, for a program that cannot be handed the open descriptor itself: a
// player that keeps one instance, or the desktop's opener, may hand the file on to a program already running
// (so a descriptor path of their own means nothing there), and the desktop chooses that program by the
// file's name (so the name must keep the record's own).
//
// The copy is made from the descriptor the record page checked, never from the record's name, into a folder
// of its own below the program's "Playback" folder: every folder is made or opened by handle without
// following a link, is the program's user's and closed to others (0700), and the file is created 0600 where
// nothing stood. Nobody else can rename or replace anything on the path the opener is given.

#include "platform/VolumeCall.h"

#include <QSet>
#include <QString>

#include <atomic>

// A new name for a copy's own folder below the copy folder.
QString NewPrivateCopyFolder();

// Copies the readable record `fd` (read from its start, its offset left alone) into the new private folder
// `folder` below `base` (made 0700 when missing), under `fileName`; the copy's path, or an empty text with
// *error naming what failed (empty when `stop` was set: the part copied is removed). Every earlier copy below
// `base` is removed first, but for those whose folder name is in `keep` (copies under way, or whose program
// may still be opening them). Safe on any thread. Each read of the record waits at most `boundMs` on its
// volume (`volume`, the record's disk folder: the key of its volume calls, platform/VolumeCall.h; the
// copy folder when empty) and ends at once when `stop` is set: a volume that does not answer fails the copy,
// named so.
QString MakePrivateCopy(int fd, const QString& base, const QString& folder, const QString& fileName,
                        const QSet<QString>& keep, const std::atomic_bool& stop, QString* error,
                        const QString& volume = QString(), int boundMs = VolumeCall::kDefaultBoundMs);
