#pragma once

// Shows a stored record file in the desktop's file manager, selected in its folder. Asks the file manager
// over the session bus (org.freedesktop.FileManager1.ShowItems) without waiting for its answer; when there is
// no session bus or the call fails, the fallback gets the file's folder to open some other way.

#include <QObject>
#include <QString>

#include <functional>

class IFileBrowser
{
public:
    virtual ~IFileBrowser() = default;
    // Asks for the file to be shown; false when it could not even be asked for. Never blocks on the answer.
    virtual bool ShowFile(const QString& path) = 0;
};

class CFileBrowser final : public QObject, public IFileBrowser
{
    Q_OBJECT

public:
    using Fallback = std::function<bool(const QString& folder)>;

    explicit CFileBrowser(Fallback fallback, QObject* parent = nullptr);
    ~CFileBrowser() override;

    bool ShowFile(const QString& path) override;

    // The folder that holds the file (what the fallback gets).
    static QString FolderOf(const QString& path);

private:
    Fallback m_fallback;
};

// The parameters of the old shell hand-off: "/select," directly followed by the path with "\" separators.
QString ExplorerSelectParameters(const QString& path);
