#pragma once

// A work that may wait on a volume that stopped answering is never run on the window's thread: BusyWait runs
// it on a thread of its own while the window goes on. A work that ends at once shows nothing; one that takes
// longer than kQuietMs shows a busy box with the given text, whose Cancel ends the wait.
//
// Until the box shows, the operator's clicks and keys wait in the queue, so that no second click starts
// inside the first one's wait; timers, repaints and posted work go on.

#include <QString>

#include <functional>

class QWidget;

namespace BusyWait {

// How long a work is waited for before the busy box shows.
constexpr int kQuietMs = 1000;

// Runs `work` on a thread of its own and waits for it as said above, with the box over `parent`'s window.
// True when the work ended: what it wrote is the caller's to read. False when the wait was given up (the
// box's Cancel, the program's end, which rejects every open box, or `parent` destroyed): `giveUp` is then
// called on this thread (to ask the work to stop, when it can), and the work is left to end by itself. It
// must therefore own what it touches (shared_ptr captures); its thread is deleted once it has ended.
bool Run(QWidget* parent, const QString& text, std::function<void()> work,
         const std::function<void()>& giveUp = {});

} // namespace BusyWait
