// The event table and the automatic backup's day totals.

#include "pages/state/CViewState.h"

void CViewState::InitEventTable() {}

void CViewState::WriteTableEvent(int, int, int, QString) {}

void CViewState::SetDayDownLoad(int, int, int) {}

void CViewState::dataUpdate() {}

void CViewState::IncDownLoadNum() {}

void CViewState::DecDownLoadNum() {}

void CViewState::GetBackUpSize() {}

void CViewState::ResetDayTotals() {}
