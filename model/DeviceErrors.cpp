#include "model/DeviceErrors.h"

#include "sdk/DeviceSdk.h"

#include <QCoreApplication>

namespace {

const char* const kContext = "DeviceErrors";

QString Tr(const char* text)
{
    return QCoreApplication::translate(kContext, text);
}

} // namespace

QString DeviceErrorMeaning(uint32_t code)
{
    switch (code) {
    case NET_DVR_NOERROR:
        return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "no error"));
    case NET_DVR_PASSWORD_ERROR:
        return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "wrong user name or password"));
    case NET_DVR_NOINIT:
        return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "the device layer is not started"));
    case NET_DVR_CHANNEL_ERROR:
        return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "the recorder has no such channel"));
    case NET_DVR_NETWORK_FAIL_CONNECT:
        return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "the recorder cannot be reached"));
    case NET_DVR_NETWORK_SEND_ERROR:
        return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "sending to the recorder failed"));
    case NET_DVR_NETWORK_RECV_ERROR:
        return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "the connection to the recorder broke"));
    case NET_DVR_NETWORK_RECV_TIMEOUT:
        return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "the recorder did not answer in time"));
    case NET_DVR_NETWORK_ERRORDATA:
        return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "the recorder's answer cannot be read"));
    case NET_DVR_ORDER_ERROR:
        return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "a call out of order"));
    case NET_DVR_PARAMETER_ERROR:
        return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "a wrong parameter"));
    case NET_DVR_INVALID_HANDLE:
        return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "the session was already closed"));
    case NET_DVR_NOSUPPORT:
        return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "the recorder does not support this"));
    case NET_DVR_NOT_LOGGED_IN:
        return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "the recorder no longer knows the session"));
    case NET_DVR_REFUSED:
        return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "the recorder refused the request"));
    case NET_DVR_NO_FILE:
        return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "no recording in the range"));
    case NET_DVR_RESOURCE_EXHAUSTED:
        return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "too many sessions are open"));
    case NET_DVR_FILE_WRITE_ERROR:
        return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "the picture cannot be written"));
    default:
        return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "unknown error"));
    }
}

QString DeviceErrorCodeText(uint32_t code)
{
    return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "%1 (%2)")).arg(code).arg(DeviceErrorMeaning(code));
}

QString LoginFailureReason(uint32_t code)
{
    switch (code) {
    case NET_DVR_PASSWORD_ERROR:
        return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "The user name or the password is wrong."));
    case NET_DVR_NETWORK_FAIL_CONNECT:
    case NET_DVR_NETWORK_SEND_ERROR:
        return Tr(QT_TRANSLATE_NOOP(
            "DeviceErrors", "The recorder cannot be reached: check its address, its port and the network."));
    case NET_DVR_NETWORK_RECV_ERROR:
    case NET_DVR_NETWORK_RECV_TIMEOUT:
        return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "The recorder did not answer."));
    default:
        return Tr(QT_TRANSLATE_NOOP("DeviceErrors", "The recorder refused the log in: error %1."))
            .arg(DeviceErrorCodeText(code));
    }
}
