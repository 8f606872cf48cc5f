#include "config/devices/DeviceFields.h"

#include "model/TextConvert.h"

#include <QCoreApplication>

namespace {

QString Tr(const char* text)
{
    return QCoreApplication::translate("CDlgAddDevice", text);
}

DEVICE_FIELD_ERROR Refuse(DEVICE_FIELD field, const char* text)
{
    return DEVICE_FIELD_ERROR{field, Tr(text)};
}

int LocalBytes(const QString& text)
{
    return int(QStringToLocal(text).size());
}

} // namespace

namespace DeviceFields {

uint16_t ParsePort(const QString& text)
{
    bool ok = false;
    const uint value = text.trimmed().toUInt(&ok, 10);
    return ok && value <= 65535 ? uint16_t(value) : uint16_t(0);
}

DEVICE_FIELD_ERROR Check(const DEVICE_FIELDS& f)
{
    const QChar apostrophe(u'\'');
    if (f.Name.isEmpty())
        return Refuse(DEVICE_FIELD::Name, QT_TRANSLATE_NOOP("CDlgAddDevice", "Nick name cannot be empty."));
    // A name longer than its field would be cut and could then match another device's name.
    if (!IsValidName(f.Name) || LocalBytes(f.Name) > kNameBytes)
        return Refuse(DEVICE_FIELD::Name, QT_TRANSLATE_NOOP("CDlgAddDevice", "Nick name is Invalid."));
    if (f.ConnectMode == 0) {
        if (f.Address.isEmpty())
            return Refuse(DEVICE_FIELD::Address,
                          QT_TRANSLATE_NOOP("CDlgAddDevice", "IP Address can not be empty."));
        // Parts with leading zeros make a valid address longer than the 15 characters the record keeps.
        if (!IsValidIPAddress(f.Address) || f.Address.size() > kAddressChars)
            return Refuse(DEVICE_FIELD::Address,
                          QT_TRANSLATE_NOOP("CDlgAddDevice", "IP Address is Invalid."));
    } else {
        if (f.Address.isEmpty())
            return Refuse(DEVICE_FIELD::Address,
                          QT_TRANSLATE_NOOP("CDlgAddDevice", "Domain can not be empty."));
        if (LocalBytes(f.Address) > kDomainBytes || f.Address.contains(apostrophe))
            return Refuse(DEVICE_FIELD::Address, QT_TRANSLATE_NOOP("CDlgAddDevice", "Domain is wrong"));
    }
    if (f.User.isEmpty())
        return Refuse(DEVICE_FIELD::User, QT_TRANSLATE_NOOP("CDlgAddDevice", "User name cannot be empty."));
    if (f.User.contains(apostrophe))
        return Refuse(
            DEVICE_FIELD::User,
            QT_TRANSLATE_NOOP("CDlgAddDevice", "User name cannot contain the following symbol (')."));
    if (LocalBytes(f.User) > kUserBytes)
        return Refuse(DEVICE_FIELD::User, QT_TRANSLATE_NOOP("CDlgAddDevice", "User name is too long."));
    if (f.Password.isEmpty())
        return Refuse(DEVICE_FIELD::Password,
                      QT_TRANSLATE_NOOP("CDlgAddDevice", "Password cannot be empty."));
    if (f.Password.contains(apostrophe))
        return Refuse(
            DEVICE_FIELD::Password,
            QT_TRANSLATE_NOOP("CDlgAddDevice", "Password cannot contain the following symbol (')."));
    if (f.Password.size() > kPasswordChars)
        return Refuse(DEVICE_FIELD::Password, QT_TRANSLATE_NOOP("CDlgAddDevice", "Password is too long."));
    if (f.Port == 0)
        return Refuse(DEVICE_FIELD::Port,
                      QT_TRANSLATE_NOOP("CDlgAddDevice", "Port No. ranges from 1 to 65535."));
    return DEVICE_FIELD_ERROR{};
}

} // namespace DeviceFields
