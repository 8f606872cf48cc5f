#include "widgets/calendar/CCalendarTextNavigator.h"

#include "widgets/calendar/QCalendarTypedDateValidator.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

CCalendarTextNavigator::CCalendarTextNavigator(QObject* parent)
    : QObject(parent), m_date(QDate::currentDate())
{
}

CCalendarTextNavigator::~CCalendarTextNavigator() = default;

bool CCalendarTextNavigator::eventFilter(QObject* watched, QEvent* event)
{
    if (m_widget == nullptr || (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease))
        return QObject::eventFilter(watched, event);
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    const QString text = keyEvent->text();
    const bool printable = !text.isEmpty() && text.at(0).isPrint();
    if (!printable && m_dateFrame == nullptr)
        return QObject::eventFilter(watched, event);

    const int key = keyEvent->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Select) {
        ApplyDate();
        Q_EMIT editingFinished();
        RemoveDateLabel();
    } else if (key == Qt::Key_Escape) {
        RemoveDateLabel();
    } else if (event->type() == QEvent::KeyPress) {
        CreateDateLabel();
        m_dateValidator->HandleKeyEvent(keyEvent);
        UpdateDateLabel();
    }
    keyEvent->accept();
    return true;
}

void CCalendarTextNavigator::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_acceptTimer.timerId()) {
        ApplyDate();
        RemoveDateLabel();
    }
}

void CCalendarTextNavigator::CreateDateLabel()
{
    if (m_dateFrame != nullptr)
        return;
    m_dateFrame = new QFrame(m_widget);
    auto* layout = new QVBoxLayout(m_dateFrame);
    m_dateText = new QLabel(m_dateFrame);
    layout->addWidget(m_dateText);
    m_dateFrame->setFrameShadow(QFrame::Plain);
    m_dateFrame->setFrameShape(QFrame::Box);
    m_dateValidator = std::make_unique<QCalendarTypedDateValidator>();
    m_dateValidator->SetLocale(m_widget->locale());
    m_dateValidator->SetFormat(m_widget->locale().dateFormat(QLocale::ShortFormat));
    m_dateValidator->SetInitialDate(m_date);
    m_dateFrame->setAutoFillBackground(true);
    m_dateFrame->setBackgroundRole(QPalette::Window);
}

void CCalendarTextNavigator::UpdateDateLabel()
{
    if (m_widget == nullptr || m_dateFrame == nullptr)
        return;
    m_acceptTimer.start(m_editDelay, this);
    m_dateText->setText(m_dateValidator->CurrentText());
    const QSize hint = m_dateFrame->sizeHint();
    const QRect area = m_widget->geometry();
    m_dateFrame->setGeometry((area.width() - hint.width()) / 2, (area.height() - hint.height()) / 2,
                             hint.width(), hint.height());
    QPalette palette = m_dateFrame->palette();
    palette.setBrush(QPalette::Window, m_dateFrame->window()->palette().brush(QPalette::Window));
    m_dateFrame->setPalette(palette);
    m_dateFrame->raise();
    m_dateFrame->show();
}

void CCalendarTextNavigator::ApplyDate()
{
    if (m_dateValidator == nullptr)
        return;
    const QDate date = m_dateValidator->CurrentDate();
    if (date != m_date) {
        m_date = date;
        Q_EMIT dateChanged(date);
    }
}

void CCalendarTextNavigator::RemoveDateLabel()
{
    if (m_dateFrame == nullptr)
        return;
    m_acceptTimer.stop();
    m_dateFrame->hide();
    m_dateFrame->deleteLater();
    m_dateValidator.reset();
    m_dateFrame = nullptr;
    m_dateText = nullptr;
}
