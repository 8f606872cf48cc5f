#pragma once

// The start-up settings file "Setup.xml" of the program's directory, read once before any window exists. It
// only chooses the language; the whole configuration lives in the database.
//
// <Configs>
//   <Translator><Value>0</Value></Translator>
//   <LogLevel><Value>0</Value></LogLevel>
//   <VersionType><Value>1</Value></VersionType>
// </Configs>

#include "app/ClientConfig.h"

#include <QString>

#include <memory>
#include <vector>

class ClientConfigManager
{
public:
    enum Key
    {
        KeyTranslator = 0,
        KeyLogLevel = 1,
        KeyVersionType = 2
    };

    ClientConfigManager() = default;
    virtual ~ClientConfigManager() = default;
    ClientConfigManager(const ClientConfigManager&) = delete;
    ClientConfigManager& operator=(const ClientConfigManager&) = delete;

    // The process-wide store, created empty on the first call.
    static ClientConfigManager* Instance();

    // Appends the file's items, in file order. False (and "No file to read..." in the debug output) when the
    // file cannot be opened. Malformed XML ends the reading; what was read so far stays. Only a regular file
    // of at most kMaxFileBytes is read, and the read never waits: anything else (a device, a named pipe, a
    // folder, a file too large) is refused with a warning that names it and says why.
    bool Load(const QString& path);
    // Why the last Load refused its file, with the file's name, in the language installed at the time of the
    // call; empty when the file was read or there was none.
    QString RefusalText() const;

    static constexpr qint64 kMaxFileBytes = 256 * 1024;
    // The element name of a key; empty for an unknown key.
    static QString KeyName(int key);
    // The first item of that key's name, or null.
    ClientConfig* Find(int key) const;
    void Clear();

private:
    enum Refusal
    {
        NotRefused,
        NotRegular,
        TooLarge,
        Unreadable
    };
    // Reads the whole file into `bytes`; false with m_refusal set when it is not to be read.
    bool ReadBounded(const QString& path, QByteArray* bytes);

    std::vector<std::unique_ptr<ClientConfig>> m_items;
    Refusal m_refusal = NotRefused;
    QString m_refusedPath;
    int m_refusedError = 0;
};
