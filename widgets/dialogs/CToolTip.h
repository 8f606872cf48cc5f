#pragma once

// Shows, moves, replaces and hides the one tooltip bubble; the dialogs report a bad field with it, at the
// field's top-left corner.

#include <QFont>
#include <QPalette>
#include <QPoint>
#include <QRect>
#include <QString>

class QWidget;

class CToolTip
{
public:
    // Shows `text` near the global point `pos`; `rect` (in `w`'s coordinates) is where the mouse may move
    // without hiding it. An empty text hides the bubble shortly.
    static void ShowText(const QPoint& pos, const QString& text, QWidget* w, const QRect& rect);
    static void ShowText(const QPoint& pos, const QString& text, QWidget* w = nullptr);
    // Shows `text` at the field's top-left corner as it stands on the screen at this moment.
    static void ShowTextAt(QWidget* field, const QString& text, QWidget* w = nullptr);
    static void HideText();
    static bool IsVisible();
    static QString Text();
    static QPalette Palette();
    static void SetPalette(const QPalette& palette);
    static QFont Font();
    static void SetFont(const QFont& font);
};
