#include "app/ClientConfigManager.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QXmlStreamReader>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

const QString kValue = QStringLiteral("Value");

bool IsKnownName(const QString& name)
{
    for (int key = ClientConfigManager::KeyTranslator; key <= ClientConfigManager::KeyVersionType; ++key) {
        if (name == ClientConfigManager::KeyName(key))
            return true;
    }
    return false;
}

// Reads a known element up to its own end: the first `Value` child gives the value. An element without a
// `Value` keeps an empty one; it never reaches into the elements after it.
QString ReadKnownValue(QXmlStreamReader& reader)
{
    QString value;
    bool taken = false;
    while (reader.readNextStartElement()) {
        if (!taken && reader.name() == kValue) {
            value = reader.readElementText(QXmlStreamReader::SkipChildElements);
            taken = true;
        } else {
            reader.skipCurrentElement();
        }
    }
    return value;
}

} // namespace

ClientConfigManager* ClientConfigManager::Instance()
{
    // A function-local static is created once even when two threads ask first at the same time.
    static ClientConfigManager store;
    return &store;
}

QString ClientConfigManager::KeyName(int key)
{
    switch (key) {
    case KeyTranslator:
        return QStringLiteral("Translator");
    case KeyLogLevel:
        return QStringLiteral("LogLevel");
    case KeyVersionType:
        return QStringLiteral("VersionType");
    default:
        return QString();
    }
}

bool ClientConfigManager::ReadBounded(const QString& path, QByteArray* bytes)
{
    m_refusal = NotRefused;
    m_refusedPath = path;
    m_refusedError = 0;
    // Never waits: a named pipe opens at once without a writer, and is then refused like a device.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        m_refusedError = errno;
        m_refusal = m_refusedError == ENOENT ? NotRefused : Unreadable;
        return false;
    }
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    struct stat info = {};
    if (::fstat(fd, &info) != 0) {
        m_refusedError = errno;
        m_refusal = Unreadable;
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        m_refusal = NotRegular;
        return false;
    }
    // At most one byte more than allowed is read, whatever size the file claims.
    bytes->resize(qsizetype(kMaxFileBytes + 1));
    qsizetype total = 0;
    while (total < bytes->size()) {
        const ssize_t n = ::read(fd, bytes->data() + total, size_t(bytes->size() - total));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            m_refusedError = errno;
            m_refusal = Unreadable;
            return false;
        }
        if (n == 0)
            break;
        total += n;
    }
    if (total > kMaxFileBytes) {
        m_refusal = TooLarge;
        return false;
    }
    bytes->resize(total);
    return true;
}

bool ClientConfigManager::Load(const QString& path)
{
    QByteArray bytes;
    if (!ReadBounded(path, &bytes)) {
        qDebug() << "No file to read...";
        if (m_refusal != NotRefused)
            qWarning("%s", qPrintable(RefusalText()));
        return false;
    }
    QXmlStreamReader reader(bytes);
    while (!reader.atEnd() && !reader.hasError()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString name = reader.name().toString();
        if (name == QLatin1String("Configs"))
            continue;
        auto item = std::make_unique<ClientConfig>();
        item->SetName(name);
        // An unknown element keeps an empty value; its children are read as items of their own.
        if (IsKnownName(name))
            item->SetValue(ReadKnownValue(reader));
        m_items.push_back(std::move(item));
    }
    return true;
}

QString ClientConfigManager::RefusalText() const
{
    QString why;
    switch (m_refusal) {
    case NotRefused:
        return QString();
    case NotRegular:
        why = QCoreApplication::translate("ClientConfigManager", "it is not a regular file");
        break;
    case TooLarge:
        why = QCoreApplication::translate("ClientConfigManager", "it is larger than %1 KiB")
                  .arg(kMaxFileBytes / 1024);
        break;
    case Unreadable:
        why = QString::fromLocal8Bit(std::strerror(m_refusedError));
        break;
    }
    return QCoreApplication::translate("ClientConfigManager",
                                       "The start-up settings %1 were not read (%2); the defaults apply.")
        .arg(QDir::toNativeSeparators(m_refusedPath), why);
}

ClientConfig* ClientConfigManager::Find(int key) const
{
    const QString name = KeyName(key);
    for (const auto& item : m_items) {
        if (item->GetName() == name)
            return item.get();
    }
    return nullptr;
}

void ClientConfigManager::Clear()
{
    m_items.clear();
}
