#pragma once

// The one road between the records' local 8-bit texts and the interface's strings, and the checks that the
// dialogs run on what an operator types. The local code page is UTF-8 here; byte limits count its bytes.

#include <QByteArray>
#include <QString>

#include <string>

QString LocalToQString(const char* text);
QByteArray QStringToLocal(const QString& text);
std::string QStringToStdString(const QString& text);

// A dotted IPv4 address that the program accepts for a recorder: four decimal parts up to 255, the last not
// 0.
bool IsValidIPAddress(const QString& text);
// True when the text holds none of | > < " ? * : / \ and the apostrophe.
bool IsValidName(const QString& text);

bool IsValidTimeText(const char* text);
bool IsValidIPv4Text(const QString& text);
bool IsValidIPv6Address(const QString& text);
bool IsValidSubnetMask(const QString& text);
bool IsMulticastAddress(const QString& text);
bool IsValidMacAddress(const QString& text);
bool HasDoubleByteText(const char* text);
bool IsValidDay(int month, int day);
