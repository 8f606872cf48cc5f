#pragma once

// The line-edit rules and the refusal bubble that the device, system and plan dialogs share, so that a field
// of one dialog never accepts what the same kind of field of another refuses.

#include <QString>

class QObject;
class QValidator;
class QWidget;

// Any text without an apostrophe (no text that reaches the database may hold one), within `maxBytes` bytes of
// the local code page.
QValidator* NoApostropheValidator(int maxBytes, QObject* parent);
// Decimal digits only: ports and other number fields.
QValidator* DigitsValidator(QObject* parent);

// Gives the field the focus and shows the text in the tooltip bubble at its top-left corner.
void RefuseField(QWidget* field, const QString& text);
