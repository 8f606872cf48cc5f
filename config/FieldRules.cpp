#include "config/FieldRules.h"

#include "widgets/dialogs/CRegExpValidator.h"
#include "widgets/dialogs/CToolTip.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QWidget>

QValidator* NoApostropheValidator(int maxBytes, QObject* parent)
{
    static const QRegularExpression rx(QStringLiteral("[^']*"));
    return new CRegExpValidator(maxBytes, rx, parent);
}

QValidator* DigitsValidator(QObject* parent)
{
    static const QRegularExpression rx(QStringLiteral("[0-9]+"));
    return new QRegularExpressionValidator(rx, parent);
}

void RefuseField(QWidget* field, const QString& text)
{
    field->setFocus();
    CToolTip::ShowTextAt(field, text);
}
