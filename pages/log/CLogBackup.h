#pragma once

// Asks for the file that the log export writes: a save-file chooser and the Backup and Cancel buttons.

#include "widgets/dialogs/CBaseDialog.h"

#include <memory>

namespace Ui {
class UiLogBackup;
}

class CLogBackup : public CBaseDialog
{
    Q_OBJECT

public:
    explicit CLogBackup(QWidget* parent = nullptr);
    ~CLogBackup() override;

Q_SIGNALS:
    // The chosen path, when one was chosen and the dialog accepted.
    void SignalAccepted(const QString& path);

public Q_SLOTS:
    void OnAccepted();

protected:
    // Only the buttons end the dialog: neither Escape nor Return does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::unique_ptr<Ui::UiLogBackup> m_ui;
};
