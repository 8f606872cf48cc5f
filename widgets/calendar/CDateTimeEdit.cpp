#include "widgets/calendar/CDateTimeEdit.h"

#include "widgets/calendar/CCalendarTimePopup.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
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

namespace {

bool IsDigitKey(const QKeyEvent* event)
{
    return event->key() >= Qt::Key_0 && event->key() <= Qt::Key_9 &&
           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

// A printable key that is neither a digit nor a letter: what stands between sections.
bool IsSeparatorKey(const QKeyEvent* event)
{
    const QString text = event->text();
    return text.size() == 1 && text.at(0).isPrint() && !text.at(0).isLetterOrNumber() &&
           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

} // namespace

CSectionTyping::CSectionTyping(QDateTimeEdit* edit) : QObject(edit), m_edit(edit) {}

void CSectionTyping::Attach(QDateTimeEdit* edit)
{
    if (edit == nullptr || edit->findChild<CSectionTyping*>(QString(), Qt::FindDirectChildrenOnly) != nullptr)
        return;
    edit->installEventFilter(new CSectionTyping(edit));
}

bool CSectionTyping::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit) {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (KeyPress(static_cast<QKeyEvent*>(event))) {
                event->accept();
                return true;
            }
            break;
        case QEvent::MouseButtonPress:
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            // The caret goes somewhere else: nothing typed is under way.
            m_section = -1;
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

bool CSectionTyping::KeyPress(const QKeyEvent* event)
{
    // The field's own line: a calendar popup below the field has lines of its own.
    QLineEdit* line = m_edit->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
    const int current = m_edit->currentSectionIndex();
    // The last digit filled its section and the field went on to the next one by itself.
    const bool movedOn = m_section >= 0 && current != m_section;
    if (IsSeparatorKey(event)) {
        m_section = -1;
        return movedOn;
    }
    if (!IsDigitKey(event) || line == nullptr || current < 0) {
        m_section = -1;
        return false;
    }
    if (m_section == current && !line->hasSelectedText())
        return false; // the next digit of the section being typed
    const bool oneSection =
        line->hasSelectedText() && line->selectedText() == m_edit->sectionText(m_edit->sectionAt(current));
    int section = current;
    // A selection of several sections (all of the text, say) is typed over from its first section.
    if (line->hasSelectedText() && !oneSection && line->selectionStart() == 0)
        section = 0;
    m_edit->setCurrentSectionIndex(section);
    m_edit->setSelectedSection(m_edit->sectionAt(section));
    m_section = section;
    return false;
}
