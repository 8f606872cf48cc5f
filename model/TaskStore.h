#pragma once

// The engine's work lists in TaskInfo_Table and FileInfo_Table. A list is (plan, overdue flag): plans 0..31
// with flag 0 (current) or 1 (overdue), and the manual list as plan 32 with flag 0. Tasks name their channel
// by its position in the plan's channel list.

#include "model/Records.h"

#include <QList>

bool DbInsertTaskInfo(const TASK_INFO* task, int isPast);
bool DbInsertFileInfo(const FILE_INFO* file, int group, int position, int isPast);
bool DbDeleteTaskList(int group, int isPast);
// Replaces the stored list by the given one, as one transaction: the old rows stay when anything fails.
bool DbSaveTaskList(const QList<TASK_INFO>& list, int group, int isPast);
// Appends the list's tasks with their files, in the order saved. All or none.
bool DbSelectTaskInfo(QList<TASK_INFO>* list, int group, int isPast);
bool DbSelectFileInfo(QList<FILE_INFO>* files, int group, int position, int isPast);
// Marks the one file of the list with these start and stop times done.
bool DbSetFileDownloaded(NET_DVR_TIME start, NET_DVR_TIME stop, int group, int position, int isPast);
bool DbUpdateTaskState(const TASK_INFO* task, int isPast);
