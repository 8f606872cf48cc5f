// The report mail against a mail server on loopback: what goes over the wire must be what the operator
// stored, to the one receiver, readable in any language, and a server that refuses or never answers must not
// hold a backup worker.

#include "model/DbAccess.h"
#include "model/Mail.h"
#include "model/TextConvert.h"
#include "tests/support/FakeSmtpServer.h"
#include "tests/support/TestSupport.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QScopeGuard>

#include <algorithm>
#include <chrono>

class TestMail : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sendsOneMailWithTheStoredLogin_data();
    void sendsOneMailWithTheStoredLogin();
    void foreignTextsTravelAsSevenBitWithoutNewHeaders();
    void refusedOrSilentServerFails();
    void unsendableSettingFailsBeforeAnyCommand_data();
    void unsendableSettingFailsBeforeAnyCommand();
    void fieldsHoldSixtyThreeBytes_data();
    void fieldsHoldSixtyThreeBytes();
};

namespace {

MAIL_CONFIG Config(uint16_t port)
{
    MAIL_CONFIG config;
    CopyStringN(config.SMTPAddr, "127.0.0.1");
    CopyStringN(config.MailFrom, "station@backup.test");
    CopyStringN(config.MailTo, "operator@site.test");
    CopyStringN(config.MailCc, "chief@site.test");
    CopyStringN(config.MailName, "Backup Station");
    CopyStringN(config.MailPassword, " pass word ");
    config.SMTPPort = port;
    return config;
}

QList<QByteArray> Verbs(const CFakeSmtpServer& server)
{
    QList<QByteArray> verbs;
    for (const QByteArray& line : server.Lines())
        verbs.append(line.split(' ').first().split(':').first().toUpper());
    return verbs;
}

// The mail as its author wrote it: DATA with the dot-stuffing undone.
QByteArray Message(const CFakeSmtpServer& server)
{
    return QByteArray("\r\n" + server.RawData()).replace("\r\n.", "\r\n").mid(2);
}

} // namespace

void TestMail::sendsOneMailWithTheStoredLogin_data()
{
    QTest::addColumn<int>("tls");
    QTest::addColumn<QByteArray>("verbs");
    const QByteArray mail = "AUTH MAIL RCPT DATA QUIT";
    // A server that offers no STARTTLS is left at its greeting, then served in plain SMTP on a new
    // connection.
    QTest::newRow("plain server") << int(CFakeSmtpServer::StartTls::NotOffered) << "EHLO EHLO " + mail;
}

void TestMail::sendsOneMailWithTheStoredLogin()
{
    QFETCH(int, tls);
    QFETCH(QByteArray, verbs);
    CFakeSmtpServer::Options options;
    options.Tls = CFakeSmtpServer::StartTls(tls);
    CFakeSmtpServer server(options);
    QVERIFY(server.IsListening());
    // A lone "." would end the mail early on the wire; ".." must not lose its first dot.
    QVERIFY(SendEmailWithConfig(Config(server.Port()), QStringLiteral("Tolvarin"),
                                QStringLiteral("first\n.\n..\n.hidden\nlast")));
    QVERIFY(server.WaitForSessions(int(verbs.count("EHLO"))));
    QVERIFY2(server.RawData().contains("\r\n..\r\n...\r\n..hidden\r\n"), server.RawData().constData());
    const QList<QByteArray> expected = verbs.split(' ');
    QCOMPARE(Verbs(server), expected);

    // The login is the sender's address; the password goes as stored, blanks included.
    const QByteArray auth = server.Lines()[expected.indexOf("AUTH")];
    QCOMPARE(QByteArray::fromBase64(auth.split(' ').last()),
             QByteArray("\0station@backup.test\0 pass word ", 32));
    // One receiver; the copy receiver gets nothing, not even a header line.
    QCOMPARE(server.Lines()[expected.indexOf("RCPT")], QByteArray("RCPT TO:<operator@site.test>"));
    const QByteArray message = Message(server);
    QVERIFY(!message.contains("chief@site.test"));
    QCOMPARE(message.mid(message.indexOf("\r\n\r\n") + 4),
             QByteArray("first\r\n.\r\n..\r\n.hidden\r\nlast\r\n"));
}

void TestMail::foreignTextsTravelAsSevenBitWithoutNewHeaders()
{
    CFakeSmtpServer server;
    // A line break in the subject must not become a header of its own (here: a hidden receiver).
    const QString subject = QStringLiteral("录像机无法连接 — Gerät nicht erreichbar\r\nBcc: thief@evil.test");
    const QString body = QStringLiteral("设备 192.168.1.64:8000 登录失败\r\nLigne accentuée = égal   \r\n") +
                         QString(200, QChar(0x00E9)) + QStringLiteral("\r\nEnd");
    QVERIFY(SendEmailWithConfig(Config(server.Port()), subject, body));
    QVERIFY(server.WaitForSessions(1));
    const QByteArray message = Message(server);
    QVERIFY(!message.contains("\r\nBcc:"));
    QVERIFY(!server.Lines().contains("RCPT TO:<thief@evil.test>"));
    // Only 7-bit bytes and short lines travel, and the body decodes to what was written.
    for (const QByteArray& line : message.split('\n'))
        QVERIFY2(line.size() <= 78 &&
                     std::all_of(line.begin(), line.end(), [](char c) { return uchar(c) < 0x80; }),
                 line.constData());
    const QByteArray encodedBody = message.mid(message.indexOf("\r\n\r\n") + 4);
    QCOMPARE(QByteArray::fromPercentEncoding(QByteArray(encodedBody).replace("=\r\n", ""), '='),
             QStringToLocal(body) + "\r\n");
}

void TestMail::refusedOrSilentServerFails()
{
    SetMailTimeouts({std::chrono::milliseconds(1000), std::chrono::milliseconds(1000)});
    const auto restore = qScopeGuard([] { SetMailTimeouts(MailTimeouts()); });
    // STARTTLS offered and failed (a handshake that fails, or the offer refused when taken up), as an
    // interception looks: the login must not follow in plain text, neither on this connection nor on a new
    // one.
    for (const auto tls : {CFakeSmtpServer::StartTls::Broken, CFakeSmtpServer::StartTls::Refused}) {
        CFakeSmtpServer::Options options;
        options.Tls = tls;
        CFakeSmtpServer server(options);
        MAIL_FAILURE failure;
        QVERIFY(!SendEmailWithConfig(Config(server.Port()), QStringLiteral("Tolvarin"),
                                     QStringLiteral("body"), &failure));
        QVERIFY(server.WaitForSessions(1));
        QVERIFY2(failure.TlsFailed && !failure.Detail.empty(), failure.Detail.c_str());
        QCOMPARE(Verbs(server).mid(0, 2), QList<QByteArray>({"EHLO", "STARTTLS"}));
        QVERIFY(!Verbs(server).contains("AUTH"));
    }
    for (const bool silent : {false, true}) {
        CFakeSmtpServer::Options options;
        options.RefuseAuth = !silent;
        options.Silent = silent;
        CFakeSmtpServer server(options);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(
            !SendEmailWithConfig(Config(server.Port()), QStringLiteral("Tolvarin"), QStringLiteral("body")));
        // Far above the 1 s reply time-out and far below the 30 s default: it guards against a hang, it
        // measures no speed.
        QVERIFY(timer.elapsed() < 20000);
        QVERIFY(server.WaitForSessions(silent ? 1 : 2));
        const QList<QByteArray> refused = {"EHLO", "EHLO", "AUTH"}; // no mail after a refused login
        QCOMPARE(Verbs(server), silent ? QList<QByteArray>() : refused);
    }
}

void TestMail::unsendableSettingFailsBeforeAnyCommand_data()
{
    QTest::addColumn<int>("field"); // 0 display name, 2 receiver, 3 server
    QTest::addColumn<QByteArray>("text");
    // 64 bytes in UTF-8 though only 22 characters.
    QTest::newRow("name") << 0 << QStringToLocal(QString(21, QChar(0x7AD9)) + QLatin1Char('x'));
    // An address that would close the angle brackets early.
    QTest::newRow("bracket") << 2 << QByteArray("a@b.test> NOTIFY=NEVER");
    // A server text that would change the URL: here, a user part that still leads to this server.
    QTest::newRow("server with a user part") << 3 << QByteArray("evil@127.0.0.1");
}

void TestMail::unsendableSettingFailsBeforeAnyCommand()
{
    QFETCH(int, field);
    QFETCH(QByteArray, text);
    CFakeSmtpServer server;
    MAIL_CONFIG config = Config(server.Port());
    char(*fields[])[128] = {&config.MailName, &config.MailFrom, &config.MailTo, &config.SMTPAddr};
    CopyStringN(*fields[field], text.toStdString());
    QVERIFY(!SendEmailWithConfig(config, QStringLiteral("Tolvarin"), QStringLiteral("body")));
    // Refused before any command reached the server: a cut address would have reached someone else.
    QVERIFY(server.Lines().isEmpty());
}

void TestMail::fieldsHoldSixtyThreeBytes_data()
{
    QTest::addColumn<int>("field"); // 0 display name, 1 sender, 2 receiver
    QTest::addColumn<int>("length");
    for (const int field : {0, 1, 2}) {
        QTest::addRow("field %d, 63 bytes", field) << field << 63;
        QTest::addRow("field %d, 64 bytes", field) << field << 64;
    }
}

// A recipient field holds 63 bytes and its end: a setting of 63 bytes travels whole, one more is refused
// before anything is sent, never cut.
void TestMail::fieldsHoldSixtyThreeBytes()
{
    QFETCH(int, field);
    QFETCH(int, length);
    CFakeSmtpServer server;
    MAIL_CONFIG config = Config(server.Port());
    const QByteArray domain = "@site.test";
    const QByteArray text =
        field == 0 ? QByteArray(length, 'n') : QByteArray(length - domain.size(), 'a') + domain;
    char(*fields[])[128] = {&config.MailName, &config.MailFrom, &config.MailTo};
    CopyStringN(*fields[field], text.toStdString());
    QCOMPARE(IsMailConfigSendable(config), length == 63);
    QCOMPARE(SendEmailWithConfig(config, QStringLiteral("Tolvarin"), QStringLiteral("body")), length == 63);
    if (length != 63) {
        QVERIFY(server.Lines().isEmpty());
        return;
    }
    QVERIFY(server.WaitForSessions(2));
    const QByteArray message = Message(server);
    if (field != 0) {
        const QByteArray wire = server.Lines().join('\n') + message;
        QVERIFY2(wire.contains("<" + text + ">"), wire.constData());
        return;
    }
    // A long display name travels in encoded words: decoded, they give the whole name.
    const int from = int(message.indexOf("From: "));
    const QByteArray header = message.mid(from, message.indexOf("\r\nTo: ") - from);
    QByteArray name;
    static const QRegularExpression word(QStringLiteral("=\\?UTF-8\\?B\\?([^?]*)\\?="));
    for (const QRegularExpressionMatch& m : word.globalMatch(QString::fromLatin1(header)))
        name += QByteArray::fromBase64(m.captured(1).toLatin1());
    QCOMPARE(name, text);
}

VARROW_TEST_MAIN(TestMail, QCoreApplication)
#include "tst_mail.moc"
