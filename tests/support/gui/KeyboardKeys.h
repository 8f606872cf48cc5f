#pragma once

// Keys sent to a widget as a keyboard sends them, for the typing tests: a modifier's own press and release,
// which headless key events otherwise leave out, and which a filter of typed keys must take as no typing.

#include <QString>
#include <QTest>
#include <QWidget>

#include <iterator>

namespace KeyboardKeys {

// A key alone, as a keyboard sends one that changes no text: its press, then its release (without a text:
// the test library has none for AltGr).
inline void PressAndRelease(QWidget* w, Qt::Key key)
{
    QTest::sendKeyEvent(QTest::Press, w, key, QString(), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, w, key, QString(), Qt::NoModifier);
}

// The text typed as a US keyboard sends it: the Shift's own press and release around ':'. With `noise`, a
// modifier pressed and released alone before each character besides (Control, Alt, AltGr, Meta, Caps Lock,
// the Windows key), as fingers resting on them do.
inline void TypeLikeAKeyboard(QWidget* w, const QString& text, bool noise = false)
{
    static const Qt::Key kAlone[] = {Qt::Key_Control, Qt::Key_Alt,      Qt::Key_AltGr,
                                     Qt::Key_Meta,    Qt::Key_CapsLock, Qt::Key_Super_L};
    size_t next = 0;
    for (const QChar c : text) {
        if (noise)
            PressAndRelease(w, kAlone[next++ % std::size(kAlone)]);
        if (c == QLatin1Char(':')) {
            QTest::keyPress(w, Qt::Key_Shift);
            QTest::keyClick(w, ':', Qt::ShiftModifier);
            QTest::keyRelease(w, Qt::Key_Shift, Qt::ShiftModifier);
        } else {
            QTest::keyClick(w, c.toLatin1());
        }
    }
}

} // namespace KeyboardKeys
