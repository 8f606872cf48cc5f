#pragma once

// The application object: font, style and style sheet, plug-in path, start-up settings and translators, the
// single-instance lock and the device layer, set up in that order before any window exists, and taken down
// again after the event loop.

#include "platform/SingleInstance.h"

#include <QApplication>
#include <QSize>

class COmbrixApplication : public QApplication
{
    Q_OBJECT

public:
    // `key` names the single-instance lock ("Varrow").
    COmbrixApplication(int& argc, char** argv, const QString& key);
    ~COmbrixApplication() override;

    // True (after the refusal box) when another instance runs.
    bool IsRunning();
    // True (after the refusal box) when the primary screen is below 1024 x 768.
    bool CheckResolution();
    static bool IsResolutionTooSmall(const QSize& screen);

    static QString RunningText();
    static QString ResolutionText();

private:
    void InitFont();
    void InitStyle();
    void InitEnvironment();
    bool InstallTranslators();
    void ReleaseConfig();
    void ShowRefusal(const QString& text);

    bool m_bRunning = false;
    CSingleInstance m_instance;
};
