#include "app/ClientConfigManager.h"

#include <QDebug>
#include <QFile>
#include <QXmlStreamReader>

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

bool ClientConfigManager::Load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qDebug() << "No file to read...";
        return false;
    }
    QXmlStreamReader reader(&file);
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
