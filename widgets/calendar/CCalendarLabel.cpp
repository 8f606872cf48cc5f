#include "widgets/calendar/CCalendarLabel.h"

#include "widgets/GuiUtility.h"
#include "widgets/calendar/CCalendarWidget.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {

const char* const kBackground = ":/images/public/calendar-background.png";

// The face's parts, on its picture: a red band with the month and the year, a paper below with the day of
// the month and the weekday.
const QRect kMonthRect(6, 1, 62, 15);
const QRect kYearRect(62, 1, 32, 15);
const QRect kDayRect(2, 16, 35, 32);
const QRect kWeekdayRect(39, 16, 58, 32);

void DrawFitted(QPainter& painter, const QRect& rect, int flags, const QString& text, int pixelSize,
                bool bold)
{
    QFont font = painter.font();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    painter.setFont(font);
    // A long name in a narrow part ends in an ellipsis rather than running into its neighbour.
    painter.drawText(rect, flags, QFontMetrics(font).elidedText(text, Qt::ElideRight, rect.width()));
}

} // namespace

CCalendarLabel::CCalendarLabel(QWidget* parent, TimeSource clock)
    : QFrame(parent), m_clock(clock ? std::move(clock) : [] { return QDateTime::currentDateTime(); }),
      m_timer(this)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setFixedSize(kWidth, kHeight);
    const QDateTime now = m_clock();
    m_today = now.date();
    m_date = m_today;
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CCalendarLabel::OnDayTimer);
    m_timer.start(NextDayCheck(now.time()));
}

CCalendarLabel::~CCalendarLabel() = default;

int CCalendarLabel::NextDayCheck(const QTime& now)
{
    static const QTime lastSecond(23, 59, 59);
    if (!now.isValid())
        return kLongestWaitMs;
    if (now >= lastSecond)
        return kAfterLastSecondMs;
    return std::min(now.msecsTo(lastSecond), kLongestWaitMs);
}

void CCalendarLabel::OnDayTimer()
{
    const QDateTime now = m_clock();
    if (now.date() != m_today) {
        m_today = now.date();
        m_date = m_today;
        update();
    }
    m_timer.start(NextDayCheck(now.time()));
}

CCalendarLabel::FACE_TEXTS CCalendarLabel::FaceTexts() const
{
    const QLocale language = locale();
    return {language.standaloneMonthName(m_date.month(), QLocale::LongFormat),
            language.standaloneDayName(m_date.dayOfWeek(), QLocale::LongFormat),
            QString::number(m_date.year()), QString::number(m_date.day())};
}

void CCalendarLabel::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    painter.drawPixmap(rect(), LoadCachedPixmap(QLatin1String(kBackground)));
    const FACE_TEXTS texts = FaceTexts();
    painter.setPen(QColor(255, 255, 255));
    DrawFitted(painter, kMonthRect, Qt::AlignLeft | Qt::AlignVCenter, texts.month, 10, true);
    DrawFitted(painter, kYearRect, Qt::AlignRight | Qt::AlignVCenter, texts.year, 10, true);
    painter.setPen(QColor(40, 40, 40));
    DrawFitted(painter, kDayRect, Qt::AlignCenter, texts.day, 24, true);
    painter.setPen(QColor(90, 90, 90));
    DrawFitted(painter, kWeekdayRect, Qt::AlignCenter, texts.weekday, 10, false);
    drawFrame(&painter);
}

void CCalendarLabel::enterEvent(QEnterEvent* event)
{
    QFrame::enterEvent(event);
    ShowCalendar();
}

void CCalendarLabel::ShowCalendar()
{
    if (m_pCalendar == nullptr) {
        m_pCalendar = new CCalendarWidget(this);
        m_pCalendar->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
        connect(m_pCalendar, &CCalendarWidget::LeaveCalendar, this, &CCalendarLabel::OnLeaveCalendar);
        connect(m_pCalendar, &CCalendarWidget::clicked, this, &CCalendarLabel::OnCalendarClicked);
    }
    m_pCalendar->SetSelectedDate(m_date);
    // The calendar's bottom-left corner on the face's: it covers the face, so the cursor that just came onto
    // the face is over the calendar, which would otherwise report it gone a moment after it opened.
    const QPoint faceBottomLeft = mapToGlobal(QPoint(0, height()));
    QRect area(QPoint(faceBottomLeft.x(), faceBottomLeft.y() - m_pCalendar->height()), m_pCalendar->size());
    area = FitRectToScreen(area, this);
    m_pCalendar->move(area.topLeft());
    m_pCalendar->show();
    m_pCalendar->raise();
}

void CCalendarLabel::OnLeaveCalendar()
{
    if (m_pCalendar != nullptr)
        m_pCalendar->hide();
}

void CCalendarLabel::OnCalendarClicked(QDate date)
{
    if (!date.isValid() || date == m_date)
        return;
    m_date = date;
    update();
}
