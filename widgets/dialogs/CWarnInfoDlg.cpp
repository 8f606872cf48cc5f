#include "widgets/dialogs/CWarnInfoDlg.h"

#include "widgets/dialogs/CWarnDlg.h"

#include <QCoreApplication>
#include <QThread>

CWarnInfoDlg::CWarnInfoDlg()
{
    // The automatic type decides per emit: queued to this object's (the GUI) thread from any other thread,
    // direct on the GUI thread itself.
    connect(this, &CWarnInfoDlg::ShowMsgInfoSig, this, &CWarnInfoDlg::ShowMsgInfo, Qt::AutoConnection);
    // Made on a worker, the relay would belong to that thread: its emits would all run the slot there, and a
    // box would be built off the GUI thread. A thread may hand over only what it owns, so this happens here,
    // on the thread that makes it.
    QCoreApplication* app = QCoreApplication::instance();
    if (app != nullptr && thread() != app->thread())
        moveToThread(app->thread());
}

CWarnInfoDlg* CWarnInfoDlg::Instance()
{
    static CWarnInfoDlg instance;
    return &instance;
}

void CWarnInfoDlg::SetParentWidget(QWidget* parent)
{
    Instance()->m_parent = parent;
}

void CWarnInfoDlg::ShowMsgInfo(QString title, QString text)
{
    CWarnDlg box(m_parent.data());
    box.ExecInfo(title, text);
}
