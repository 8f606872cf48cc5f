#include "widgets/dialogs/CMutiroleDialog.h"

#include "widgets/dialogs/CBaseDialog.h"

#include <QKeyEvent>

#include <functional>
#include <utility>

namespace {

// The pop-up tells its frame when it goes, before its children (the frame among them) are deleted, so the
// frame never deletes a pop-up that is already on its way out.
class CMutirolePopup : public CBaseDialog
{
public:
    explicit CMutirolePopup(std::function<void()> gone) : CBaseDialog(nullptr, true, true, true), m_gone(gone)
    {
    }
    ~CMutirolePopup() override
    {
        if (m_gone)
            m_gone();
    }

private:
    std::function<void()> m_gone;
};

} // namespace

CMutiroleDialog::CMutiroleDialog(QWidget* parent) : QFrame(parent)
{
    // The frame's transparent ground inside its pop-up is chosen by this name.
    setObjectName(QStringLiteral("CMutiroleDialog"));
}

CMutiroleDialog::~CMutiroleDialog()
{
    if (m_pDialog == nullptr)
        return;
    CBaseDialog* popup = std::exchange(m_pDialog, nullptr);
    setParent(nullptr);
    delete popup;
}

CBaseDialog* CMutiroleDialog::PreparePopup(QWidget* parent, const QString& title)
{
    if (m_pDialog == nullptr) {
        m_pDialog = new CMutirolePopup([this] { m_pDialog = nullptr; });
        connect(m_pDialog, &CBaseDialog::ClickedCloseBtnSig, this, &CMutiroleDialog::DialogCloseSlot);
        m_pDialog->SetCloseBtnClose(false);
    }
    const bool inside = parentWidget() == m_pDialog->GetContentFrame();
    // The pop-up takes the frame's size when the frame moves in; measured again later, inside it, the frame
    // would be smaller by the title and the margins, and each pop-up would shrink the last.
    if (!inside)
        m_pDialog->resize(width(), height());
    // A new parent hides a shown window: leave an unchanged one alone.
    if (m_pDialog->parentWidget() != parent || !m_pDialog->isWindow())
        m_pDialog->setParent(parent, Qt::Dialog | Qt::FramelessWindowHint);
    if (!inside)
        m_pDialog->SetContentWidget(this);
    setStyleSheet(QStringLiteral("QFrame#CMutiroleDialog{background-color: transparent;}"));
    m_pDialog->SetTitle(title);
    return m_pDialog;
}

void CMutiroleDialog::ShowDialog(QWidget* parent, const QString& title)
{
    if (parent == nullptr)
        return;
    ExecDialog(parent, title);
}

int CMutiroleDialog::ExecDialog(QWidget* parent, const QString& title)
{
    CBaseDialog* popup = PreparePopup(parent, title);
    // A modeless pop-up before left its close button shown and its OK and Cancel hidden.
    popup->ShowCloseBtn(false);
    popup->ShowBottomBar(true);
    // The frame may be deleted while the pop-up runs (and the pop-up with it): nothing of either is touched
    // after exec().
    return popup->exec();
}

void CMutiroleDialog::ShowModelessDialog(QWidget* parent, const QString& title, int width, int height)
{
    CBaseDialog* popup = PreparePopup(parent, title);
    popup->resize(width, height);
    popup->ShowCloseBtn(true);
    popup->ShowBottomBar(false);
    popup->show();
}

void CMutiroleDialog::Move(int x, int y)
{
    if (m_pDialog != nullptr)
        m_pDialog->move(x, y);
    else
        move(x, y);
}

void CMutiroleDialog::Resize(int width, int height)
{
    if (m_pDialog != nullptr)
        m_pDialog->resize(width, height);
    else
        resize(width, height);
}

int CMutiroleDialog::Width() const
{
    return m_pDialog != nullptr ? m_pDialog->width() : width();
}

int CMutiroleDialog::Height() const
{
    return m_pDialog != nullptr ? m_pDialog->height() : height();
}

void CMutiroleDialog::DialogCloseSlot()
{
    if (m_pDialog != nullptr)
        m_pDialog->close();
}

void CMutiroleDialog::keyPressEvent(QKeyEvent* event)
{
    // Embedded in a page, the frame leaves every key to the page.
    if (m_pDialog == nullptr) {
        QFrame::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        event->accept();
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Select) {
        // Taken here: passed on, the key would reach the pop-up and accept it a second time.
        m_pDialog->accept();
        event->accept();
        return;
    }
    QFrame::keyPressEvent(event);
}
