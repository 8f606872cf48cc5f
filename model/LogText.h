#pragma once

// How text that the station did not write itself (a name or path found on a disk, a recorder's answer) is
// shown in the log and the event table.

#include <QString>

// The longest text the event table shows in one cell, in characters; the log holds 199 bytes anyway.
constexpr qsizetype kShownTextMax = 512;

// Control, format and separator characters written out as text: a line break as \n, an escape as \x1b,
// a direction override as \u202e. What a disk or a recorder names can then neither begin a line that looks
// like an entry of its own, nor move the terminal's cursor, nor turn the rest of the row around. A text that
// holds none of them comes back as it is, so writing it out twice changes nothing.
QString EscapeControls(const QString& text);
// EscapeControls, then cut to at most `maxChars` characters, the cut marked with "...".
QString ShownText(const QString& text, qsizetype maxChars = kShownTextMax);
// The row that counts the repeats of an entry: "Repeated N times: " and the entry's text, cut so that the
// whole fits in `maxBytes` bytes of local 8-bit text.
QString RepeatedText(const QString& text, int repeats, qsizetype maxBytes = kShownTextMax);
