#pragma once

// The checks that a recorder's fields pass before the program logs in to it: the same for a device typed
// into the add and modify dialog and for a row imported from another database file, so an import can never
// store what the dialog would refuse.

#include <QString>

#include <cstdint>

// The field that a check refused.
enum class DEVICE_FIELD
{
    None,
    Name,
    Address,
    Port,
    User,
    Password,
};

struct DEVICE_FIELD_ERROR
{
    DEVICE_FIELD Field = DEVICE_FIELD::None;
    QString Message; // translated, in the dialog's context

    bool IsOk() const { return Field == DEVICE_FIELD::None; }
};

// What the fields of a device hold, as typed (name, address, user trimmed; the password as typed).
struct DEVICE_FIELDS
{
    QString Name;
    QString Address; // a dotted address in address mode, the domain name in domain mode
    uint16_t Port = 0;
    QString User;
    QString Password;
    int ConnectMode = 0; // 0 address, 1 domain
};

namespace DeviceFields {

// Byte limits of the stored texts in the local code page (each field keeps one byte for its terminator).
constexpr int kNameBytes = 32;
constexpr int kAddressChars = 15;
constexpr int kDomainBytes = 127;
constexpr int kUserBytes = 31;
constexpr int kPasswordChars = 16;
// What the fields of the dialog let an operator type.
constexpr int kAddressFieldChars = 64;
constexpr int kUserFieldChars = 32;
constexpr int kNumberFieldChars = 5;

// The port text as the dialog reads it: trimmed, base 10; 0 when empty, not a number or above 65535.
uint16_t ParsePort(const QString& text);

// The first refusal, in the dialog's order: name, address, user, password, port.
DEVICE_FIELD_ERROR Check(const DEVICE_FIELDS& fields);

} // namespace DeviceFields
