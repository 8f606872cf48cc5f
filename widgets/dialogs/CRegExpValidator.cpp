#include "widgets/dialogs/CRegExpValidator.h"

#include "model/TextConvert.h"

CRegExpValidator::CRegExpValidator(int maxBytes, QObject* parent)
    : QRegularExpressionValidator(QRegularExpression(QStringLiteral(".*")), parent), m_maxBytes(maxBytes)
{
}

CRegExpValidator::CRegExpValidator(int maxBytes, const QRegularExpression& rx, QObject* parent)
    : QRegularExpressionValidator(rx, parent), m_maxBytes(maxBytes)
{
}

CRegExpValidator::~CRegExpValidator() = default;

QValidator::State CRegExpValidator::validate(QString& input, int& pos) const
{
    if (QStringToLocal(input).size() > m_maxBytes)
        return Invalid;
    return QRegularExpressionValidator::validate(input, pos);
}
