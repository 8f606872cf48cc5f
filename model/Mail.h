#pragma once

// The report mail: the records and the four calls that build, send and release one mail, done over SMTP with
// libcurl. The calls keep the shape of a small C mail library (fixed records, int results, negative meaning
// failure), because both the engine's report mail and the settings dialog's test mail drive them the same
// way.

#include "model/Records.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

constexpr int MAIL_TEXT_FIELD_SIZE = 64;
constexpr int MAIL_MAX_RECIPIENTS = 3;
constexpr int MAIL_MAX_ATTACHMENTS = 97;

// The only character set the calls accept: the program's local 8-bit text is UTF-8.
inline constexpr const char* MAIL_CHARSET = "UTF-8";

#pragma pack(push, 1)

// One address of a mail. Each field holds at most 63 bytes of local 8-bit text and its terminator.
struct MAIL_RECIPIENT
{
    char Name[MAIL_TEXT_FIELD_SIZE];
    char Address[MAIL_TEXT_FIELD_SIZE];
    char Address2[MAIL_TEXT_FIELD_SIZE]; // the address again

    MAIL_RECIPIENT();
};

// One attachment slot. The program never attaches a file; the slots exist for the record's layout.
struct MAIL_ATTACHMENT
{
    uint32_t Kind;
    uint32_t Reserved1;
    uint32_t Reserved2;
    uint8_t Reserved3[16];
    char Path[260];
    char Name[260];

    MAIL_ATTACHMENT();
};

// The mail as the calls build it. Only the calls read or write the fields after the recipients.
struct MAIL_INFO
{
    MAIL_RECIPIENT Sender;
    MAIL_RECIPIENT Recipients[MAIL_MAX_RECIPIENTS];
    uint32_t RecipientCount;
    uint64_t ContentHandle; // the subject and body kept by the calls until release_attachment
    char Charset[260];
    MAIL_ATTACHMENT Attachments[MAIL_MAX_ATTACHMENTS];
    uint32_t AttachmentCount;
    uint32_t AttachmentSizes[MAIL_MAX_ATTACHMENTS];
    uint32_t State; // MAIL_STATE_BUILT once construct_mail succeeded

    // Every byte zero, the attachment slots included.
    MAIL_INFO();
};

#pragma pack(pop)

static_assert(sizeof(MAIL_RECIPIENT) == 192);
static_assert(sizeof(MAIL_ATTACHMENT) == 548);
static_assert(sizeof(MAIL_INFO) == 54592);
static_assert(offsetof(MAIL_INFO, Recipients) == 192);
static_assert(offsetof(MAIL_INFO, RecipientCount) == 768);
static_assert(offsetof(MAIL_INFO, ContentHandle) == 772);
static_assert(offsetof(MAIL_INFO, Charset) == 780);
static_assert(offsetof(MAIL_INFO, Attachments) == 1040);
static_assert(offsetof(MAIL_INFO, AttachmentCount) == 54196);
static_assert(offsetof(MAIL_INFO, AttachmentSizes) == 54200);
static_assert(offsetof(MAIL_INFO, State) == 54588);

// Copies name and address into a recipient record (the address twice). False, and the record left empty, when
// a text does not fit its 63 bytes: a cut address would send the mail to someone else.
bool FillMailRecipient(MAIL_RECIPIENT& recipient, const QByteArray& name, const QByteArray& address);

// Builds the mail from the sender, 1 to 3 recipients, the subject and the body (local 8-bit texts). `option`
// is the mail's priority ("1" highest to "5" lowest, "3" normal); `charset` must be "UTF-8"; `flag` 1 is a
// plain text body. Returns 0, or -1 for a missing or malformed argument. Releases what an earlier build left.
int construct_mail(MAIL_INFO* mail, MAIL_RECIPIENT* sender, MAIL_RECIPIENT* recipients, int recipientCount,
                   const char* subject, const char* option, const char* body, const char* charset, int flag);

// Attaching files is refused: nothing in the program attaches one, and a mail must not go out silently
// without a file that was asked for. Returns 0 for count 0 on a built mail, else -1.
int add_local_file(MAIL_INFO* mail, const char** files, int count);

// Connects to the server (STARTTLS whenever offered, with the certificate verified; when the offered TLS
// fails the mail is not sent, so the login never travels unencrypted; plain SMTP only to a server that offers
// no STARTTLS; login when the server offers it and `user` is not empty),
// sends the mail to every recipient and quits. Returns 0 when the server took the mail, -1 on any failure,
// including a port outside 1..65535 and a server that does not answer within the time-outs.
int send_mail(const char* server, int port, const char* user, const char* password, MAIL_INFO* mail);

// Releases what the calls keep for the mail. Safe on a mail that was never built or is already released.
int release_attachment(MAIL_INFO* mail);

// How long send_mail waits for the connection and for each reply of the server. Process-wide; the defaults
// are 10 s and 30 s. A reply time-out is honoured to the second.
struct MailTimeouts
{
    std::chrono::milliseconds Connect{10000};
    std::chrono::milliseconds Reply{30000};
};
void SetMailTimeouts(const MailTimeouts& timeouts);
MailTimeouts GetMailTimeouts();

// True when a mail can carry the settings: the sender's name and address and the receiver's address each fit
// the 63 bytes of a recipient field.
bool IsMailConfigSendable(const MAIL_CONFIG& config);

// Sends one report mail with the given settings to `MailTo` alone (copy recipients get nothing): the sender
// is `MailName` <`MailFrom`>, the login is `MailFrom` with `MailPassword`. True when the server took the
// mail. A setting longer than a recipient field holds fails the mail (with a warning) rather than being cut.
// `failure`, when given, tells why a mail was not sent.
enum class MAIL_CAUSE
{
    None,
    Settings,         // the server's address or the port cannot be used
    TooLong,          // the sender's name or an address is longer than a recipient field holds
    Build,            // the mail cannot be built from the settings
    ServerNotFound,   // the server's name does not resolve
    NoConnection,     // the server cannot be reached on the port
    NoAnswer,         // the server did not answer in time
    Login,            // the server refused the login
    SenderRefused,    // the server refused the sender's address
    RecipientRefused, // the server refused the receiver's address
    Tls,              // the server offered STARTTLS and TLS failed: nothing went without it
    Broken,           // the connection broke
    Other,
};
struct MAIL_FAILURE
{
    MAIL_CAUSE Cause = MAIL_CAUSE::None;
    bool TlsFailed = false;  // Cause is Tls
    std::string Detail;      // the cause in English, for traces; empty after success
    std::string LibraryText; // the mail library's own words for it; empty when the cause is the program's
};
bool SendEmailWithConfig(const MAIL_CONFIG& config, const QString& subject, const QString& body,
                         MAIL_FAILURE* failure = nullptr);

// Sends a report mail with a copy of the model's mail settings; failures are traced, never shown.
void SendEmail(const QString& subject, const QString& body);
