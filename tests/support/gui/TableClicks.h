#pragma once

class CTableView;

namespace TestSupport {

// Clicks the tick box of the letter's row of a disk table (letters in column 1, tick boxes in column 0),
// where the operator's mouse would, and says whether its tick turned over.
bool ClickTick(CTableView* view, char letter);

} // namespace TestSupport
