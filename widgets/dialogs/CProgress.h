#pragma once

// The progress box: a bar from 0 to 100 fed with ProgressInfo from a worker; it closes itself when the bar is
// full, and Cancel or its closing reports SignalCancel().

#include "widgets/dialogs/CBaseDialog.h"
#include "widgets/dialogs/ProgressInfo.h"

#include <QTimer>

class QLabel;
class QProgressBar;

struct ProgressUi
{
    QLabel* pProgressLabel = nullptr;
    QProgressBar* pProgressBar = nullptr;

    void setupUi(QFrame* frame);
};

class CProgress : public CBaseDialog
{
    Q_OBJECT

public:
    explicit CProgress(QWidget* parent = nullptr);
    ~CProgress() override;

    // The whole percentage of done in total, rounded down, so the bar is full only when everything is done;
    // -1 when total is not positive (nothing to show).
    static int PercentOf(qint32 done, qint32 total);

    int Percent() const { return m_percent; }

Q_SIGNALS:
    void SignalCancel();

public Q_SLOTS:
    void OnUpdateBar();
    void OnProgressChanged(ProgressInfo info);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    ProgressUi m_ui;
    QTimer m_pollTimer;
    int m_percent = 0;
};
