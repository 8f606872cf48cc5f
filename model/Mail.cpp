#include "model/Mail.h"

#include "model/TextConvert.h"

#include <QDateTime>
#include <QtGlobal>

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

constexpr uint32_t MAIL_STATE_BUILT = 0x4D41494Cu;

// What a built mail keeps beyond its record: the texts have no length limit, so they live here until
// release_attachment. The owner check keeps a stale handle in a reused record from releasing another mail.
struct MailContent
{
    const MAIL_INFO* Owner = nullptr;
    QByteArray Subject;
    QByteArray Body;
    char Priority = '3';
};

std::mutex g_contentMutex;
std::unordered_map<uint64_t, MailContent> g_contents;
uint64_t g_nextHandle = 1;

std::atomic<long long> g_connectTimeoutMs{10000};
std::atomic<long long> g_replyTimeoutMs{30000};

// The text of a zero-terminated field; false when the field has no terminator.
bool FieldText(const char* field, int size, QByteArray& text)
{
    const void* end = std::memchr(field, 0, size_t(size));
    if (end == nullptr)
        return false;
    text = QByteArray(field, int(static_cast<const char*>(end) - field));
    return true;
}

// An address that can stand in an envelope command and a header as it is: printable ASCII without blanks and
// without the characters that would end the address or start another one. Non-ASCII addresses would need an
// extension that servers need not offer, so they are refused rather than sent garbled.
bool IsSendableAddress(const QByteArray& address)
{
    if (address.isEmpty())
        return false;
    for (const char c : address) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || c == '<' || c == '>' || c == ',' || c == ';' || c == '"')
            return false;
    }
    return true;
}

// A host name, an IPv4 address or an IPv6 address (bare or in brackets); nothing that could change the URL.
bool IsSendableServer(const QByteArray& server)
{
    if (server.isEmpty() || server.size() > 255)
        return false;
    QByteArray inner = server;
    if (server.startsWith('[') && server.endsWith(']'))
        inner = server.mid(1, server.size() - 2);
    if (inner.isEmpty())
        return false;
    return std::all_of(inner.begin(), inner.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
               c == '.' || c == '_' || c == ':';
    });
}

bool IsPlainHeaderText(const QByteArray& text, int maxLength)
{
    if (text.size() > maxLength)
        return false;
    return std::all_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte < 0x7F;
    });
}

// Encoded words (RFC 2047, base64) of at most 75 characters, cut only between UTF-8 characters and folded
// onto continuation lines, so a header keeps any byte of the text without breaking the header block.
QByteArray EncodedWords(const QByteArray& text)
{
    constexpr int maxChunk = 39; // 52 base64 characters, 64 with the word's frame, 73 after "Subject: "
    QByteArray result;
    int pos = 0;
    while (pos < text.size()) {
        int end = std::min<int>(pos + maxChunk, int(text.size()));
        while (end < text.size() && end > pos + 1 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            --end;
        if (!result.isEmpty())
            result += "\r\n ";
        result += "=?UTF-8?B?" + text.mid(pos, end - pos).toBase64() + "?=";
        pos = end;
    }
    return result;
}

// A subject: as it is when it is short printable ASCII, else encoded (a line break in it can never start a
// header of its own).
QByteArray HeaderText(const QByteArray& text)
{
    if (IsPlainHeaderText(text, 200))
        return text;
    return EncodedWords(text);
}

// "Name" <address>, the name quoted when it is printable ASCII, encoded otherwise.
QByteArray Mailbox(const QByteArray& name, const QByteArray& address)
{
    if (name.isEmpty())
        return "<" + address + ">";
    QByteArray shown;
    if (IsPlainHeaderText(name, 60)) {
        shown = "\"";
        for (const char c : name) {
            if (c == '"' || c == '\\')
                shown += '\\';
            shown += c;
        }
        shown += "\"";
    } else {
        shown = EncodedWords(name);
    }
    return shown + " <" + address + ">";
}

// The body in quoted-printable with CRLF line ends: only 7-bit bytes and lines of at most 76 characters
// travel, whatever the text holds. A line of its own "." stays visible, and the transfer stuffs it.
QByteArray QuotedPrintableBody(const QByteArray& body)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(body.size() * 3 / 2 + 16);
    int lineLength = 0;
    auto put = [&](const QByteArray& token) {
        if (lineLength + token.size() > 75) {
            out += "=\r\n";
            lineLength = 0;
        }
        out += token;
        lineLength += int(token.size());
    };
    const qsizetype size = body.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = body[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < size && body[i + 1] == '\n')
                ++i;
            out += "\r\n";
            lineLength = 0;
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        const bool atLineEnd = i + 1 == size || body[i + 1] == '\r' || body[i + 1] == '\n';
        const bool literal =
            (byte >= 33 && byte <= 126 && c != '=') || ((c == ' ' || c == '\t') && !atLineEnd);
        if (literal)
            put(QByteArray(1, c));
        else
            put(QByteArray("=") + hex[byte >> 4] + hex[byte & 0x0F]);
    }
    if (!out.endsWith("\r\n"))
        out += "\r\n";
    return out;
}

QByteArray ComposeMessage(const MAIL_INFO& mail, const MailContent& content)
{
    QByteArray senderName;
    QByteArray senderAddress;
    FieldText(mail.Sender.Name, MAIL_TEXT_FIELD_SIZE, senderName);
    FieldText(mail.Sender.Address, MAIL_TEXT_FIELD_SIZE, senderAddress);
    QByteArray to;
    for (uint32_t i = 0; i < mail.RecipientCount; ++i) {
        QByteArray name;
        QByteArray address;
        FieldText(mail.Recipients[i].Name, MAIL_TEXT_FIELD_SIZE, name);
        FieldText(mail.Recipients[i].Address, MAIL_TEXT_FIELD_SIZE, address);
        if (!to.isEmpty())
            to += ",\r\n ";
        to += Mailbox(name, address);
    }
    QByteArray message;
    message += "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toLatin1() + "\r\n";
    message += "From: " + Mailbox(senderName, senderAddress) + "\r\n";
    message += "To: " + to + "\r\n";
    message += "Subject: " + HeaderText(content.Subject) + "\r\n";
    message += "X-Priority: " + QByteArray(1, content.Priority) + "\r\n";
    message += "MIME-Version: 1.0\r\n";
    message += "Content-Type: text/plain; charset=UTF-8\r\n";
    message += "Content-Transfer-Encoding: quoted-printable\r\n";
    message += "\r\n";
    message += QuotedPrintableBody(content.Body);
    return message;
}

void ReleaseContent(MAIL_INFO* mail)
{
    std::lock_guard<std::mutex> lock(g_contentMutex);
    // A copy: the packed record's member is not aligned for the reference that find takes.
    const uint64_t handle = mail->ContentHandle;
    const auto it = g_contents.find(handle);
    if (it != g_contents.end() && it->second.Owner == mail)
        g_contents.erase(it);
    mail->ContentHandle = 0;
    mail->State = 0;
}

bool LookUpContent(const MAIL_INFO* mail, MailContent& content)
{
    std::lock_guard<std::mutex> lock(g_contentMutex);
    const uint64_t handle = mail->ContentHandle; // see ReleaseContent
    const auto it = g_contents.find(handle);
    if (it == g_contents.end() || it->second.Owner != mail)
        return false;
    content = it->second;
    return true;
}

void EnsureCurlInitialised()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct UploadSource
{
    const QByteArray* Data = nullptr;
    qsizetype Position = 0;
};

size_t ReadMessage(char* buffer, size_t size, size_t count, void* userData)
{
    auto* source = static_cast<UploadSource*>(userData);
    const size_t left = size_t(source->Data->size() - source->Position);
    const size_t n = std::min(left, size * count);
    std::memcpy(buffer, source->Data->constData() + source->Position, n);
    source->Position += qsizetype(n);
    return n;
}

struct CurlDeleter
{
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

bool CopyChecked(char* field, const QByteArray& text)
{
    if (text.size() >= MAIL_TEXT_FIELD_SIZE || text.contains('\0'))
        return false;
    std::memset(field, 0, MAIL_TEXT_FIELD_SIZE);
    std::memcpy(field, text.constData(), size_t(text.size()));
    return true;
}

// A mail setting up to its terminator, or the whole field when it has none.
QByteArray SettingText(const char* field, size_t size)
{
    return QByteArray(field, qsizetype(qstrnlen(field, size)));
}

} // namespace

MAIL_RECIPIENT::MAIL_RECIPIENT()
{
    std::memset(this, 0, sizeof(*this));
}

MAIL_ATTACHMENT::MAIL_ATTACHMENT()
{
    std::memset(this, 0, sizeof(*this));
    Kind = 1;
}

MAIL_INFO::MAIL_INFO()
{
    std::memset(static_cast<void*>(this), 0, sizeof(*this));
}

bool FillMailRecipient(MAIL_RECIPIENT& recipient, const QByteArray& name, const QByteArray& address)
{
    recipient = MAIL_RECIPIENT();
    if (!CopyChecked(recipient.Name, name) || !CopyChecked(recipient.Address, address) ||
        !CopyChecked(recipient.Address2, address)) {
        recipient = MAIL_RECIPIENT();
        return false;
    }
    return true;
}

int construct_mail(MAIL_INFO* mail, MAIL_RECIPIENT* sender, MAIL_RECIPIENT* recipients, int recipientCount,
                   const char* subject, const char* option, const char* body, const char* charset, int flag)
{
    if (mail == nullptr)
        return -1;
    if (mail->State == MAIL_STATE_BUILT)
        ReleaseContent(mail);
    if (sender == nullptr || recipients == nullptr || recipientCount < 1 ||
        recipientCount > MAIL_MAX_RECIPIENTS || subject == nullptr || body == nullptr || option == nullptr ||
        charset == nullptr || flag != 1)
        return -1;
    // The texts are the program's local 8-bit text, which is UTF-8; labelling them otherwise garbles them.
    if (qstricmp(charset, "UTF-8") != 0 && qstricmp(charset, "UTF8") != 0)
        return -1;
    if (std::strlen(option) != 1 || option[0] < '1' || option[0] > '5')
        return -1;

    QByteArray text;
    QByteArray address;
    if (!FieldText(sender->Name, MAIL_TEXT_FIELD_SIZE, text) ||
        !FieldText(sender->Address, MAIL_TEXT_FIELD_SIZE, address) || !IsSendableAddress(address))
        return -1;
    for (int i = 0; i < recipientCount; ++i) {
        if (!FieldText(recipients[i].Name, MAIL_TEXT_FIELD_SIZE, text) ||
            !FieldText(recipients[i].Address, MAIL_TEXT_FIELD_SIZE, address) || !IsSendableAddress(address))
            return -1;
    }

    std::memcpy(static_cast<void*>(&mail->Sender), sender, sizeof(MAIL_RECIPIENT));
    for (int i = 0; i < MAIL_MAX_RECIPIENTS; ++i)
        mail->Recipients[i] = MAIL_RECIPIENT();
    for (int i = 0; i < recipientCount; ++i)
        std::memcpy(static_cast<void*>(&mail->Recipients[i]), &recipients[i], sizeof(MAIL_RECIPIENT));
    mail->RecipientCount = uint32_t(recipientCount);
    std::memset(mail->Charset, 0, sizeof(mail->Charset));
    std::memcpy(mail->Charset, MAIL_CHARSET, std::strlen(MAIL_CHARSET));

    MailContent content;
    content.Owner = mail;
    content.Subject = QByteArray(subject);
    content.Body = QByteArray(body);
    content.Priority = option[0];
    {
        std::lock_guard<std::mutex> lock(g_contentMutex);
        const uint64_t handle = g_nextHandle++;
        g_contents.emplace(handle, std::move(content));
        mail->ContentHandle = handle;
    }
    mail->State = MAIL_STATE_BUILT;
    return 0;
}

int add_local_file(MAIL_INFO* mail, const char** files, int count)
{
    Q_UNUSED(files);
    if (mail == nullptr || mail->State != MAIL_STATE_BUILT || count != 0)
        return -1;
    return 0;
}

namespace {

// Reads the server's lines as libcurl sees them and notes a STARTTLS in its EHLO answer.
int NoteStartTlsOffer(CURL*, curl_infotype type, char* data, size_t size, void* offered)
{
    if (type == CURLINFO_HEADER_IN) {
        const QByteArray line = QByteArray::fromRawData(data, qsizetype(size)).trimmed().toUpper();
        if (line.startsWith("250") && line.mid(4).startsWith("STARTTLS"))
            *static_cast<bool*>(offered) = true;
    }
    return 0;
}

// What a failed session means to the operator. libcurl reports a refused sender or receiver as a failed
// send; its message tells which command the server refused.
MAIL_CAUSE CauseOf(CURLcode code, const std::string& message)
{
    switch (code) {
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_ISSUER_ERROR:
        return MAIL_CAUSE::Tls;
    case CURLE_COULDNT_RESOLVE_HOST:
        return MAIL_CAUSE::ServerNotFound;
    case CURLE_COULDNT_CONNECT:
        return MAIL_CAUSE::NoConnection;
    case CURLE_OPERATION_TIMEDOUT:
        return MAIL_CAUSE::NoAnswer;
    case CURLE_LOGIN_DENIED:
        return MAIL_CAUSE::Login;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
        if (message.rfind("MAIL failed", 0) == 0)
            return MAIL_CAUSE::SenderRefused;
        if (message.rfind("RCPT failed", 0) == 0)
            return MAIL_CAUSE::RecipientRefused;
        return MAIL_CAUSE::Broken;
    default:
        return MAIL_CAUSE::Other;
    }
}

int SendMailSession(const char* server, int port, const char* user, const char* password, MAIL_INFO* mail,
                    MAIL_FAILURE* failure)
{
    MAIL_FAILURE ignored;
    if (failure == nullptr)
        failure = &ignored;
    *failure = MAIL_FAILURE();
    failure->Cause = MAIL_CAUSE::Settings;
    failure->Detail = "a setting cannot be sent";
    if (server == nullptr || mail == nullptr || mail->State != MAIL_STATE_BUILT || port < 1 || port > 65535)
        return -1;
    const QByteArray host(server);
    if (!IsSendableServer(host))
        return -1;
    MailContent content;
    if (!LookUpContent(mail, content))
        return -1;

    QByteArray senderAddress;
    FieldText(mail->Sender.Address, MAIL_TEXT_FIELD_SIZE, senderAddress);
    const QByteArray message = ComposeMessage(*mail, content);

    EnsureCurlInitialised();
    const bool bareIpv6 = host.contains(':') && !host.startsWith('[');
    const QByteArray url = "smtp://" + (bareIpv6 ? "[" + host + "]" : host) + ":" + QByteArray::number(port);
    const long long connectMs = std::max(1LL, g_connectTimeoutMs.load());
    // The reply time-out counts whole seconds in this libcurl; round up so it is never shorter than asked.
    const long replySeconds = long(std::max(1LL, (g_replyTimeoutMs.load() + 999) / 1000));
    const QByteArray mailFrom = "<" + senderAddress + ">";
    char errorText[CURL_ERROR_SIZE] = {};

    // One whole session; `useSsl` is libcurl's STARTTLS choice. `offered` tells afterwards whether the
    // server's greeting listed STARTTLS.
    bool offered = false;
    const auto session = [&](long useSsl) -> CURLcode {
        offered = false;
        std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
        if (!curl)
            return CURLE_FAILED_INIT;
        curl_slist* list = nullptr;
        for (uint32_t i = 0; i < mail->RecipientCount; ++i) {
            QByteArray address;
            FieldText(mail->Recipients[i].Address, MAIL_TEXT_FIELD_SIZE, address);
            curl_slist* grown = curl_slist_append(list, ("<" + address + ">").constData());
            if (grown == nullptr) {
                curl_slist_free_all(list);
                return CURLE_OUT_OF_MEMORY;
            }
            list = grown;
        }
        std::unique_ptr<curl_slist, CurlDeleter> recipientList(list);
        UploadSource source{&message, 0};
        errorText[0] = '\0';

        CURL* handle = curl.get();
        curl_easy_setopt(handle, CURLOPT_URL, url.constData());
#if LIBCURL_VERSION_NUM >= 0x075500
        curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "smtp");
#else
        curl_easy_setopt(handle, CURLOPT_PROTOCOLS, long(CURLPROTO_SMTP));
#endif
        curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L); // runs on worker threads
        curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, long(connectMs));
        curl_easy_setopt(handle, CURLOPT_SERVER_RESPONSE_TIMEOUT, replySeconds);
        curl_easy_setopt(handle, CURLOPT_USE_SSL, useSsl);
        if (user != nullptr && user[0] != '\0') {
            curl_easy_setopt(handle, CURLOPT_USERNAME, user);
            curl_easy_setopt(handle, CURLOPT_PASSWORD, password != nullptr ? password : "");
        }
        curl_easy_setopt(handle, CURLOPT_MAIL_FROM, mailFrom.constData());
        curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, recipientList.get());
        curl_easy_setopt(handle, CURLOPT_READFUNCTION, &ReadMessage);
        curl_easy_setopt(handle, CURLOPT_READDATA, &source);
        curl_easy_setopt(handle, CURLOPT_INFILESIZE_LARGE, curl_off_t(message.size()));
        curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
        curl_easy_setopt(handle, CURLOPT_DEBUGFUNCTION, &NoteStartTlsOffer);
        curl_easy_setopt(handle, CURLOPT_DEBUGDATA, &offered);
        curl_easy_setopt(handle, CURLOPT_VERBOSE, 1L); // only feeds the callback above; nothing is printed
        return curl_easy_perform(handle);
    };

    // STARTTLS whenever the server offers it, with the certificate checked; a server that offers none gets
    // plain SMTP on a second connection. When the offered TLS fails (an untrusted certificate, or STARTTLS
    // offered and then refused, is what an interception looks like), the session ends there: the login never
    // goes over the connection that TLS was meant to protect. libcurl's "try" mode would go on in plain text
    // after a refused STARTTLS, so TLS is required first and dropped only when it was never offered.
    CURLcode code = session(long(CURLUSESSL_ALL));
    if (code == CURLE_USE_SSL_FAILED && !offered)
        code = session(long(CURLUSESSL_NONE));
    if (code != CURLE_OK) {
        failure->Detail = errorText[0] != '\0' ? errorText : curl_easy_strerror(code);
        failure->LibraryText = failure->Detail;
        failure->Cause = CauseOf(code, failure->Detail);
        failure->TlsFailed = failure->Cause == MAIL_CAUSE::Tls;
        qWarning("Mail to %s:%d not sent%s: %s", host.constData(), port,
                 failure->TlsFailed ? " (the offered TLS failed; nothing was sent without it)" : "",
                 failure->Detail.c_str());
        return -1;
    }
    *failure = MAIL_FAILURE();
    return 0;
}

} // namespace

int send_mail(const char* server, int port, const char* user, const char* password, MAIL_INFO* mail)
{
    return SendMailSession(server, port, user, password, mail, nullptr);
}

int release_attachment(MAIL_INFO* mail)
{
    if (mail == nullptr)
        return -1;
    if (mail->State == MAIL_STATE_BUILT)
        ReleaseContent(mail);
    return 0;
}

void SetMailTimeouts(const MailTimeouts& timeouts)
{
    g_connectTimeoutMs = timeouts.Connect.count();
    g_replyTimeoutMs = timeouts.Reply.count();
}

MailTimeouts GetMailTimeouts()
{
    MailTimeouts timeouts;
    timeouts.Connect = std::chrono::milliseconds(g_connectTimeoutMs.load());
    timeouts.Reply = std::chrono::milliseconds(g_replyTimeoutMs.load());
    return timeouts;
}

bool IsMailConfigSendable(const MAIL_CONFIG& config)
{
    MAIL_RECIPIENT sender;
    MAIL_RECIPIENT recipient;
    return FillMailRecipient(sender, SettingText(config.MailName, sizeof(config.MailName)),
                             SettingText(config.MailFrom, sizeof(config.MailFrom))) &&
           FillMailRecipient(recipient, QByteArray(), SettingText(config.MailTo, sizeof(config.MailTo)));
}

bool SendEmailWithConfig(const MAIL_CONFIG& config, const QString& subject, const QString& body,
                         MAIL_FAILURE* failure)
{
    MAIL_FAILURE ignored;
    if (failure == nullptr)
        failure = &ignored;
    *failure = MAIL_FAILURE();
    const int port = int(config.SMTPPort);
    const QByteArray localSubject = QStringToLocal(subject);
    const QByteArray localBody = QStringToLocal(body);

    // The record is large for a worker's stack; it lives on the heap and is always released.
    auto mail = std::make_unique<MAIL_INFO>();
    MAIL_RECIPIENT sender;
    MAIL_RECIPIENT recipient;
    const QByteArray name = SettingText(config.MailName, sizeof(config.MailName));
    const QByteArray from = SettingText(config.MailFrom, sizeof(config.MailFrom));
    const QByteArray to = SettingText(config.MailTo, sizeof(config.MailTo));
    if (!FillMailRecipient(sender, name, from) || !FillMailRecipient(recipient, QByteArray(), to)) {
        qWarning("Mail not sent: the sender's name, the sender's or the receiver's address is longer than %d "
                 "bytes",
                 MAIL_TEXT_FIELD_SIZE - 1);
        failure->Cause = MAIL_CAUSE::TooLong;
        failure->Detail =
            "a name or an address is longer than " + std::to_string(MAIL_TEXT_FIELD_SIZE - 1) + " bytes";
        return false;
    }
    const QByteArray server = SettingText(config.SMTPAddr, sizeof(config.SMTPAddr));
    const QByteArray password = SettingText(config.MailPassword, sizeof(config.MailPassword));

    struct Release
    {
        MAIL_INFO* Mail;
        ~Release() { release_attachment(Mail); }
    } release{mail.get()};

    int result = construct_mail(mail.get(), &sender, &recipient, 1, localSubject.constData(), "3",
                                localBody.constData(), MAIL_CHARSET, 1);
    if (result >= 0) {
        const char* files[2] = {"", ""};
        result = add_local_file(mail.get(), files, 0);
    }
    if (result >= 0)
        result = SendMailSession(server.constData(), port, sender.Address, password.constData(), mail.get(),
                                 failure);
    else {
        failure->Cause = MAIL_CAUSE::Build;
        failure->Detail = "the mail cannot be built from the settings";
    }
    return result >= 0;
}
