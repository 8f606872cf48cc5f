#pragma once

// The cell roles beyond the toolkit's own, shared by the views, their delegates and the pages that fill them.

#include <Qt>

enum ITEM_DATA_ROLE
{
    ROLE_USER_DATA = Qt::UserRole, // owner data slot 1; each page gives it its meaning
    ROLE_USER_DATA2 = 33,          // owner data slot 2
    ROLE_USER_DATA3 = 34,          // owner data slot 3
    ROLE_COMBO_LIST = 132,         // QStringList: the cell is edited with a combo box of these choices
    ROLE_COMBO_INDEX = 133,        // int: the index chosen in the combo editor
    ROLE_BUTTON = 134,             // bool: the cell acts as a push button
    ROLE_PIXMAP = 136,             // text: a picture text of a log row, read by the log export
    ROLE_DATETIME = 137,           // QDateTime: the cell is edited with a date-and-time editor
    ROLE_DATE = 138,               // QDate: the cell is edited with a date editor
};
