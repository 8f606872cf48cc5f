#include "tests/support/gui/ModalDriver.h"
#include "widgets/dialogs/ChaseDialog.h"

#include "tests/support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QTextEdit>

CModalDriver::CModalDriver(QObject* parent) : QObject(parent), m_onTopLimit(TestSupport::Bound(15000))
{
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &CModalDriver::Poll);
    m_timer.start();
}

void CModalDriver::AcceptPassingBusy(int count)
{
    for (int i = 0; i < count; ++i)
        Answer([](QWidget* window) {
            if (qobject_cast<ChaseDialog*>(window) == nullptr)
                qobject_cast<QDialog*>(window)->accept();
        });
}

void CModalDriver::Accept()
{
    Answer([](QWidget* window) {
        if (auto* dialog = qobject_cast<QDialog*>(window))
            dialog->accept();
        else
            window->close();
    });
}

void CModalDriver::Reject()
{
    Answer([](QWidget* window) {
        if (auto* dialog = qobject_cast<QDialog*>(window))
            dialog->reject();
        else
            window->close();
    });
}

void CModalDriver::Click(const QString& button)
{
    Answer([this, button](QWidget* window) {
        const QList<QAbstractButton*> buttons = window->findChildren<QAbstractButton*>();
        for (QAbstractButton* candidate : buttons) {
            QString text = candidate->text();
            text.remove(QLatin1Char('&'));
            if (text == button || candidate->objectName() == button) {
                candidate->click();
                return;
            }
        }
        m_failures << QStringLiteral("no button \"%1\" in %2").arg(button, window->metaObject()->className());
        // Never leave the test blocked: end the window all the same.
        if (auto* dialog = qobject_cast<QDialog*>(window))
            dialog->reject();
        else
            window->close();
    });
}

void CModalDriver::Clear()
{
    m_answers.clear();
    m_seen.clear();
    m_failures.clear();
}

MODAL_SEEN CModalDriver::Describe(QWidget* window)
{
    MODAL_SEEN seen;
    seen.className = QString::fromLatin1(window->metaObject()->className());
    seen.objectName = window->objectName();
    seen.title = window->windowTitle();
    const QList<QLabel*> labels = window->findChildren<QLabel*>();
    for (QLabel* label : labels) {
        // The frameless dialogs draw their title in a label of their own; it is the title, not a text.
        if (label->objectName() == QLatin1String("pLabelTitle"))
            continue;
        if (label->isVisibleTo(window) && !label->text().isEmpty())
            seen.labels << label->text();
    }
    // Message boxes show their text in a read-only text view.
    const QList<QTextEdit*> texts = window->findChildren<QTextEdit*>();
    for (QTextEdit* text : texts) {
        if (text->isVisibleTo(window) && text->isReadOnly() && !text->toPlainText().isEmpty())
            seen.labels << text->toPlainText();
    }
    return seen;
}

bool CModalDriver::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_lastAnswered && event->type() == QEvent::Hide) {
        m_lastAnswered->removeEventFilter(this);
        m_lastAnswered = nullptr;
    }
    return QObject::eventFilter(watched, event);
}

void CModalDriver::EndStuck(QWidget* window)
{
    const MODAL_SEEN seen = Describe(window);
    const QString what = QStringLiteral("%1 \"%2\" stayed up for %3 ms; rejected")
                             .arg(seen.className, seen.Text().left(200))
                             .arg(m_onTopLimit);
    m_failures << what;
    m_onTop = nullptr;
    // Inside a test function the test fails here, naming the window; elsewhere a warning does.
    if (QTest::currentTestFunction() != nullptr)
        QTest::qFail(qPrintable(what), __FILE__, __LINE__);
    else
        qWarning("CModalDriver: %s", qPrintable(what));
    if (auto* dialog = qobject_cast<QDialog*>(window))
        dialog->reject();
    else
        window->close();
}

void CModalDriver::Poll()
{
    QWidget* window = QApplication::activeModalWidget();
    if (window != m_onTop) {
        m_onTop = window;
        m_onTopSince.start();
    } else if (window != nullptr && m_onTopLimit > 0 && m_onTopSince.hasExpired(m_onTopLimit)) {
        EndStuck(window);
        return;
    }
    if (window == nullptr || m_answers.isEmpty() || window == m_lastAnswered)
        return;
    // A window answered by a click may still be closing: it is not answered twice, unless it is hidden and
    // shown again (one dialog object run twice).
    if (m_lastAnswered)
        m_lastAnswered->removeEventFilter(this);
    m_lastAnswered = window;
    window->installEventFilter(this);
    m_seen.append(Describe(window));
    const std::function<void(QWidget*)> answer = m_answers.takeFirst();
    answer(window);
}
