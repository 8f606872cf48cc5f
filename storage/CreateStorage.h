#pragma once

// Creates, or creates again, the one storage object for the drive letters and the full-disk behaviour of the
// system settings.

#include "model/Records.h"
#include "storage/CStowelineClass.h"

#include <QString>

#include <memory>

// The current storage object; null when there is none. Thread-safe. Whoever opens a record keeps the pointer
// it got until that record is closed: a replaced object lives on (and is released) when its last holder lets
// go.
std::shared_ptr<CStowelineClass> GetStoweline();

// Reads the settings from the model, then as below.
int CreateStorage(STOWELINE_DISKFULL_CALLBACK callback);
// 0: created and set up, or no drive letter chosen (then there is no object); 1: the object could not be
// created; otherwise the storage library's own code for a refused set-up (then there is no object). The
// callback is registered only when full disks stop the backup (DiskMode not 0).
int CreateStorage(STOWELINE_DISKFULL_CALLBACK callback, const SYSTEM_CONFIG& config);

// A refused disk in the operator's words: which disk, which folder, and why.
QString DescribeRootError(const STOWELINE_ROOT_ERROR& error);
// True when the refused disk is not there at all (its letter has no folder, the folder or its volume is
// missing, or it does not answer): the backups can only wait for it. False for a disk that is there but cannot be used.
bool IsDiskAbsent(const STOWELINE_ROOT_ERROR& error);

// The text of the box that reports a storage object that could not be created. A disk that is not there is
// named with its folder, and the backups wait for it; otherwise the code, the request to check and clear the
// local disk, and for a refused disk which folder and why.
QString StorageErrorText(int code);
// Why the last set-up left no storage object, in the operator's words: the refused disk and why, no disk
// chosen, or the code. Empty when the last set-up made one.
QString StorageFailureCause();

// Drops the current object, at the close of the main window.
void ReleaseStorage();
