#pragma once

// Where windows stand on the screen, as the window system has them at this moment.
//
// The toolkit keeps its own record of each window's place and maps every widget position through it. Under an
// X window manager that record can be wrong for good: a window placed by the program is recorded where the
// toolkit read it while the manager was still framing it (the screen's origin), and no later notice puts it
// right, since from the manager's side the window never moved. Dialogs centred on such a window, and bubbles
// and pop-ups placed at its fields, then open at the screen's top-left. Every position that the program
// derives from a window's place goes through here: it reads the place from the window system and sets the
// toolkit's record right on the way, so that the toolkit's own pop-ups (combo lists, tooltips, calendars)
// follow too.

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// The window's outer frame on the screen now (for a frameless window, its own rectangle). Corrects the
// toolkit's record of the window when the window system has it elsewhere. A window that is not shown: the
// toolkit's record.
QRect WindowFrameOnScreen(QWidget* window);

// The size of the window with the window manager's frame round it, as far as the toolkit knows the frame.
QSize WindowFrameSize(const QWidget* window);

// The point `local` of the widget on the screen now, through its window's place as the window system has it.
QPoint WidgetPosOnScreen(QWidget* widget, const QPoint& local = QPoint());

// Reads the window's place from the window system and corrects the toolkit's record of it; true when the
// record was wrong. The window keeps its place on the screen.
bool SyncWindowPlace(QWidget* window);

// The top-left corner of a frame of `size` centred on `over`, moved inside `available` (its top-left corner
// kept visible when the frame is larger).
QPoint CentredFramePos(const QRect& over, const QSize& size, const QRect& available);

// Where a window's frame of `size` opens: centred on its parent window's frame as it stands on the screen
// now, or on the screen when there is no parent; inside the usable area of the screen that shows the centre.
QPoint PlaceOverParent(QWidget* parentWindow, const QSize& size);
