#include "model/LogText.h"

#include <QObject>

#include <algorithm>

namespace {

const QString kCutMark = QStringLiteral("...");

bool IsShownAsEscape(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

void AppendEscape(QString& out, char32_t c)
{
    switch (c) {
    case U'\n':
        out += QLatin1String("\\n");
        return;
    case U'\r':
        out += QLatin1String("\\r");
        return;
    case U'\t':
        out += QLatin1String("\\t");
        return;
    default:
        break;
    }
    if (c < 0x100)
        out += QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'));
    else if (c < 0x10000)
        out += QStringLiteral("\\u%1").arg(uint(c), 4, 16, QLatin1Char('0'));
    else
        out += QStringLiteral("\\U%1").arg(uint(c), 8, 16, QLatin1Char('0'));
}

// The first `count` characters, never half of a surrogate pair.
QString LeftWhole(const QString& text, qsizetype count)
{
    if (count > 0 && count < text.size() && text.at(count).isLowSurrogate() &&
        text.at(count - 1).isHighSurrogate())
        --count;
    return text.left(count);
}

} // namespace

QString EscapeControls(const QString& text)
{
    qsizetype i = 0;
    // Most texts hold nothing to escape: they are returned without a copy.
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            if (IsShownAsEscape(QChar::surrogateToUcs4(c, text.at(i + 1))))
                break;
            ++i;
        } else if (IsShownAsEscape(c.unicode())) {
            break;
        }
    }
    if (i == text.size())
        return text;
    QString out = text.left(i);
    out.reserve(text.size() + 16);
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        char32_t code = c.unicode();
        const bool pair = c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        if (pair)
            code = QChar::surrogateToUcs4(c, text.at(i + 1));
        if (IsShownAsEscape(code)) {
            AppendEscape(out, code);
        } else {
            out += c;
            if (pair)
                out += text.at(i + 1);
        }
        if (pair)
            ++i;
    }
    return out;
}

QString ShownText(const QString& text, qsizetype maxChars)
{
    const QString escaped = EscapeControls(text);
    if (escaped.size() <= maxChars)
        return escaped;
    return LeftWhole(escaped, std::max<qsizetype>(maxChars - kCutMark.size(), 0)) + kCutMark;
}

QString RepeatedText(const QString& text, int repeats, qsizetype maxBytes)
{
    // The count comes first: a narrow column or the log's cut elides the end of a row, never its count.
    const QString count =
        repeats == 1 ? QObject::tr("Repeated once: ") : QObject::tr("Repeated %1 times: ").arg(repeats);
    const qsizetype room = maxBytes - count.toLocal8Bit().size();
    QString shown = EscapeControls(text);
    const QByteArray bytes = shown.toLocal8Bit();
    if (bytes.size() > room) {
        // Cut by bytes, as the log cuts; never inside a character (the local 8-bit text is UTF-8).
        qsizetype cut = std::max<qsizetype>(room - kCutMark.size(), 0);
        while (cut > 0 && (static_cast<unsigned char>(bytes.at(cut)) & 0xC0) == 0x80)
            --cut;
        shown = QString::fromLocal8Bit(bytes.left(cut)) + kCutMark;
    }
    return count + shown;
}
