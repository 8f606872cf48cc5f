#pragma once

// A regular-expression validator that also refuses a text longer than a record's fixed field, counted in
// bytes of the local code page (UTF-8 here), so a stored text is never cut.

#include <QRegularExpressionValidator>

class CRegExpValidator : public QRegularExpressionValidator
{
    Q_OBJECT

public:
    // Without an expression: any text within the byte limit is acceptable.
    CRegExpValidator(int maxBytes, QObject* parent = nullptr);
    CRegExpValidator(int maxBytes, const QRegularExpression& rx, QObject* parent = nullptr);
    ~CRegExpValidator() override;

    State validate(QString& input, int& pos) const override;

    int MaxBytes() const { return m_maxBytes; }

private:
    int m_maxBytes;
};
