#pragma once

// The one relay of information boxes for the whole process: any thread may emit ShowMsgInfoSig(title, text),
// and the box is shown on the GUI thread, over the parent set for the boxes (a window of its own while there
// is none). An emit on the GUI thread shows the box at once and returns when it is closed; an emit on another
// thread returns at once, and the box follows on the GUI thread.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class CWarnInfoDlg : public QObject
{
    Q_OBJECT

public:
    // The relay, made on first use; it always lives on the GUI thread, whichever thread asked first.
    static CWarnInfoDlg* Instance();
    // The parent of the boxes from now on. GUI thread only.
    static void SetParentWidget(QWidget* parent);

Q_SIGNALS:
    void ShowMsgInfoSig(QString title, QString text);

public Q_SLOTS:
    void ShowMsgInfo(QString title, QString text);

private:
    CWarnInfoDlg();

    // Guarded: a parent window closed since it was set leaves no dangling parent behind.
    QPointer<QWidget> m_parent;
};
