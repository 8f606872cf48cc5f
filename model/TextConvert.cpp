#include "model/TextConvert.h"

#include <QRegularExpression>
#include <QStringList>

QString LocalToQString(const char* text)
{
    if (text == nullptr)
        return QString();
    return QString::fromLocal8Bit(text);
}

QByteArray QStringToLocal(const QString& text)
{
    return text.toLocal8Bit();
}

std::string QStringToStdString(const QString& text)
{
    const QByteArray bytes = QStringToLocal(text);
    // Up to the first zero byte, as a C string built from the same bytes would end.
    return std::string(bytes.constData(), qstrnlen(bytes.constData(), bytes.size()));
}

namespace {

// A decimal part of a dotted address as a number; -1 when it is not one, or too long to be a byte.
int DottedPart(const QString& part)
{
    if (part.isEmpty() || part.size() > 10)
        return -1;
    bool ok = false;
    const qulonglong value = part.toULongLong(&ok, 10);
    if (!ok || value > 0xFFFFFFFFull)
        return -1;
    return value > 255 ? 256 : int(value);
}

// The four numbers of a dotted address matched from the text's start, each at most 255; false otherwise.
bool MatchDottedAddress(const QString& text, int (&parts)[4])
{
    static const QRegularExpression dotted(QStringLiteral("(\\d+)(\\.)(\\d+)(\\.)(\\d+)(\\.)(\\d+)"));
    const QRegularExpressionMatch match =
        dotted.match(text, 0, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
    if (!match.hasMatch())
        return false;
    for (int i = 0; i < 4; ++i) {
        // A part too long for a number is refused rather than read as 0.
        parts[i] = DottedPart(match.captured(1 + 2 * i));
        if (parts[i] < 0 || parts[i] > 255)
            return false;
    }
    return true;
}

} // namespace

bool IsValidIPAddress(const QString& text)
{
    static const QRegularExpression notDigitOrDot(QStringLiteral("[^0-9.]"));
    if (text.contains(notDigitOrDot))
        return false;
    if (text.count(QLatin1Char('.')) != 3)
        return false;
    int parts[4] = {};
    return MatchDottedAddress(text, parts) && parts[3] != 0;
}

bool IsValidName(const QString& text)
{
    static const QRegularExpression forbidden = [] {
        QStringList alternatives;
        for (const char* c : {"|", ">", "<", "\"", "?", "*", ":", "/", "\\", "'"})
            alternatives << QRegularExpression::escape(QLatin1String(c));
        return QRegularExpression(QLatin1Char('(') + alternatives.join(QLatin1Char('|')) + QLatin1Char(')'));
    }();
    return !text.contains(forbidden);
}

bool IsValidTimeText(const char* text)
{
    if (text == nullptr)
        return false;
    int parts[3] = {-1, -1, -1};
    int part = 0;
    int digits = 0;
    for (const char* p = text; *p; ++p) {
        if (*p == ':') {
            if (digits == 0 || ++part > 2)
                return false;
            digits = 0;
            continue;
        }
        if (*p < '0' || *p > '9' || ++digits > 2)
            return false;
        parts[part] = (parts[part] < 0 ? 0 : parts[part] * 10) + (*p - '0');
    }
    if (part != 2 || digits == 0)
        return false;
    return parts[0] <= 23 && parts[1] <= 59 && parts[2] <= 59;
}

bool IsValidIPv4Text(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString& part : parts) {
        bool ok = false;
        const uint value = part.toUInt(&ok, 10);
        if (!ok || value >= 256)
            return false;
    }
    return parts[3].toUInt() != 0;
}

namespace {

// The groups of one side of an IPv6 address; -1 when a group is bad. An IPv4 tail counts as two groups.
int IPv6Groups(const QString& side, bool lastSide)
{
    if (side.isEmpty())
        return 0;
    const QStringList parts = side.split(QLatin1Char(':'));
    int groups = 0;
    for (int i = 0; i < parts.size(); ++i) {
        const QString& part = parts[i];
        if (lastSide && i == parts.size() - 1 && part.contains(QLatin1Char('.'))) {
            if (!IsValidIPv4Text(part))
                return -1;
            groups += 2;
            continue;
        }
        bool ok = false;
        part.toUInt(&ok, 16);
        if (part.isEmpty() || part.size() > 4 || !ok)
            return -1;
        ++groups;
    }
    return groups;
}

} // namespace

bool IsValidIPv6Address(const QString& text)
{
    QString address = text;
    const int scope = address.lastIndexOf(QLatin1Char('%'));
    if (scope >= 0)
        address.truncate(scope);
    const int parts = address.count(QLatin1Char(':')) + 1;
    if (parts < 3 || parts > 8)
        return false;
    const int shortening = address.indexOf(QStringLiteral("::"));
    if (shortening < 0)
        return IPv6Groups(address, true) == 8;
    if (address.indexOf(QStringLiteral("::"), shortening + 1) >= 0)
        return false;
    const int left = IPv6Groups(address.left(shortening), false);
    const int right = IPv6Groups(address.mid(shortening + 2), true);
    // The shortening stands for at least one group of zeros.
    return left >= 0 && right >= 0 && left + right <= 7;
}

bool IsValidSubnetMask(const QString& text)
{
    static const QRegularExpression mask(QRegularExpression::anchoredPattern(
        QStringLiteral("(254|252|248|240|224|192|128|0)\\.0\\.0\\.0|"
                       "255\\.(254|252|248|240|224|192|128|0)\\.0\\.0|"
                       "255\\.255\\.(254|252|248|240|224|192|128|0)\\.0|"
                       "255\\.255\\.255\\.(254|252|248|240|224|192|128|0)")));
    return mask.match(text).hasMatch();
}

bool IsMulticastAddress(const QString& text)
{
    int parts[4] = {};
    return MatchDottedAddress(text, parts) && parts[0] >= 224 && parts[0] <= 239;
}

bool IsValidMacAddress(const QString& text)
{
    static const QRegularExpression mac(
        QRegularExpression::anchoredPattern(QStringLiteral("[0-9A-Fa-f]{2}:[0-9A-Fa-f]{2}:[0-9A-Fa-f]{2}:"
                                                           "[0-9A-Fa-f]{2}:[0-9A-Fa-f]{2}:[0-9A-Fa-f]{2}")));
    return mac.match(text).hasMatch();
}

bool HasDoubleByteText(const char* text)
{
    if (text == nullptr)
        return false;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); p[0] && p[1]; ++p) {
        const unsigned b = p[0];
        const unsigned c = p[1];
        if ((b >= 0xB0 && b <= 0xF7 && c >= 0xA0 && c <= 0xFE) ||
            (b >= 0x81 && b <= 0xFE && c >= 0x40 && c <= 0xFE))
            return true;
    }
    return false;
}

bool IsValidDay(int month, int day)
{
    if (day == 31 && (month == 2 || month == 4 || month == 6 || month == 9 || month == 11))
        return false;
    if (day == 30 && month == 2)
        return false;
    return true;
}
