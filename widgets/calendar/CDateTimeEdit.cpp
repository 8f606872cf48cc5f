#include "widgets/calendar/CDateTimeEdit.h"

#include "widgets/calendar/CCalendarTimePopup.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QSignalBlocker>

CDateTimeEdit::CDateTimeEdit(QWidget* parent) : QDateTimeEdit(parent)
{
    SetUp();
}

CDateTimeEdit::CDateTimeEdit(const QDateTime& dateTime, QWidget* parent) : QDateTimeEdit(dateTime, parent)
{
    SetUp();
}

CDateTimeEdit::CDateTimeEdit(const QDate& date, QWidget* parent) : QDateTimeEdit(date, parent)
{
    SetUp();
}

CDateTimeEdit::CDateTimeEdit(const QTime& time, QWidget* parent) : QDateTimeEdit(time, parent)
{
    SetUp(false);
}

CDateTimeEdit::CDateTimeEdit(const QVariant& value, QMetaType::Type parserType, QWidget* parent)
    : QDateTimeEdit(value, parserType, parent)
{
    SetUp(parserType != QMetaType::QTime);
}

CDateTimeEdit::~CDateTimeEdit() = default;

void CDateTimeEdit::SetUp(bool editsDate)
{
    setCalendarPopup(true);
    setDisplayFormat(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    CSectionTyping::Attach(this);
    // A time-only field keeps the toolkit's fixed day: today lies outside it and would push the time to its
    // end.
    if (editsDate)
        setDate(QDate::currentDate());
}

QRect CDateTimeEdit::PopupGeometry(const QRect& editorGlobal, const QSize& popupSize, const QRect& screenArea)
{
    QRect popup(editorGlobal.bottomLeft() + QPoint(0, 1), popupSize);
    if (popup.bottom() > screenArea.bottom() && editorGlobal.top() - popupSize.height() >= screenArea.top())
        popup.moveBottom(editorGlobal.top() - 1);
    if (popup.right() > screenArea.right())
        popup.moveRight(screenArea.right());
    if (popup.left() < screenArea.left())
        popup.moveLeft(screenArea.left());
    if (popup.bottom() > screenArea.bottom())
        popup.moveBottom(screenArea.bottom());
    if (popup.top() < screenArea.top())
        popup.moveTop(screenArea.top());
    return popup;
}

void CDateTimeEdit::mousePressEvent(QMouseEvent*)
{
    OpenPopup();
}

void CDateTimeEdit::keyPressEvent(QKeyEvent* event)
{
    const bool altArrow = event->modifiers().testFlag(Qt::AltModifier) &&
                          (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up);
    if (event->key() == Qt::Key_F4 || altArrow) {
        event->accept();
        OpenPopup();
        return;
    }
    QDateTimeEdit::keyPressEvent(event);
}

void CDateTimeEdit::OpenPopup()
{
    if (m_popup == nullptr) {
        m_popup = new CCalendarTimePopup(this);
        // Connected once: connections made on every press would pile up and set the date several times.
        connect(m_popup, &CCalendarTimePopup::newDateSelected, this, &QDateTimeEdit::setDate);
        connect(m_popup, &CCalendarTimePopup::hidingCalendar, this, &QDateTimeEdit::setDate);
        connect(m_popup, &CCalendarTimePopup::activated, this, &QDateTimeEdit::setDate);
        connect(m_popup, &CCalendarTimePopup::activated, m_popup, &QWidget::close);
        connect(m_popup, &CCalendarTimePopup::resetButton, this, qOverload<>(&QWidget::update));
    }
    {
        // Giving the calendar its range may clamp the calendar's earlier date; that must not reach this
        // field.
        const QDate current = date();
        const QSignalBlocker blocker(m_popup);
        m_popup->setDateRange(minimumDate(), maximumDate());
        m_popup->setDate(current);
    }
    const QRect editor(mapToGlobal(QPoint(0, 0)), size());
    const QScreen* screen = QGuiApplication::screenAt(editor.center());
    if (screen == nullptr)
        screen = this->screen();
    const QRect area =
        screen != nullptr ? screen->availableGeometry() : QRect(editor.topLeft(), m_popup->size());
    m_popup->move(PopupGeometry(editor, m_popup->size(), area).topLeft());
    m_popup->show();
}
