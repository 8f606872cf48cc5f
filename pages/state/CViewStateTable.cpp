// The state table: one row per running task list, filled by the execute threads' progress signals.

#include "pages/state/CViewState.h"

void CViewState::InitModels() {}

void CViewState::ViewStartGroupDownLoad(int, int, long long) {}

void CViewState::ViewStartChannelDownLoad(int, int, int, long long) {}

void CViewState::ViewStartFileDownLoad(int, int, NET_DVR_TIME, NET_DVR_TIME) {}

void CViewState::ViewChannelDownloadSize(int, int, long long) {}

void CViewState::ViewGroupDownloadPos(int, int, int) {}

void CViewState::DelGroupView(int) {}

void CViewState::DelARow(GROUP_CHANGED, int) {}

void CViewState::ClearStateTable() {}
