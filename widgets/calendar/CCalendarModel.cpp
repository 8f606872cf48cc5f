#include "widgets/calendar/CCalendarModel.h"

#include "widgets/calendar/CCalendarView.h"

#include <QApplication>
#include <QPalette>

namespace {

// An invalid date counts as earlier than every valid one.
bool Before(const QDate& a, const QDate& b)
{
    if (!a.isValid())
        return b.isValid();
    if (!b.isValid())
        return false;
    return a < b;
}

} // namespace

CCalendarModel::CCalendarModel(QObject* parent)
    : QAbstractTableModel(parent), m_firstColumn(1), m_firstRow(1), m_date(QDate::currentDate()),
      m_minimumDate(QDate::fromJulianDay(1)), m_maximumDate(7999, 12, 31), m_shownYear(m_date.year()),
      m_shownMonth(m_date.month()), m_selectedBegin(m_date), m_selectedEnd(m_date)
{
}

CCalendarModel::~CCalendarModel() = default;

int CCalendarModel::rowCount(const QModelIndex&) const
{
    return m_firstRow + 6;
}

int CCalendarModel::columnCount(const QModelIndex&) const
{
    return m_firstColumn + 7;
}

bool CCalendarModel::insertRows(int row, int count, const QModelIndex& parent)
{
    beginInsertRows(parent, row, row + count - 1);
    endInsertRows();
    return true;
}

bool CCalendarModel::insertColumns(int column, int count, const QModelIndex& parent)
{
    beginInsertColumns(parent, column, column + count - 1);
    endInsertColumns();
    return true;
}

bool CCalendarModel::removeRows(int row, int count, const QModelIndex& parent)
{
    beginRemoveRows(parent, row, row + count - 1);
    endRemoveRows();
    return true;
}

bool CCalendarModel::removeColumns(int column, int count, const QModelIndex& parent)
{
    beginRemoveColumns(parent, column, column + count - 1);
    endRemoveColumns();
    return true;
}

Qt::DayOfWeek CCalendarModel::DayOfWeekForColumn(int column) const
{
    const int k = column - m_firstColumn;
    if (k < 0 || k > 6)
        return Qt::Sunday;
    int d = static_cast<int>(m_firstDay) + k;
    if (d > 7)
        d -= 7;
    return static_cast<Qt::DayOfWeek>(d);
}

int CCalendarModel::ColumnForDayOfWeek(Qt::DayOfWeek day) const
{
    const int d = static_cast<int>(day);
    if (d < 1 || d > 7)
        return -1;
    int k = d - static_cast<int>(m_firstDay);
    if (k < 0)
        k += 7;
    return k + m_firstColumn;
}

QDate CCalendarModel::ReferenceDate() const
{
    for (int day = 1; day <= 31; ++day) {
        const QDate d(m_shownYear, m_shownMonth, day);
        if (d.isValid())
            return d;
    }
    return QDate();
}

int CCalendarModel::ColumnForFirstOfMonth(const QDate& date) const
{
    return (ColumnForDayOfWeek(static_cast<Qt::DayOfWeek>(date.dayOfWeek())) - (date.day() % 7) + 8) % 7;
}

QDate CCalendarModel::DateForCell(int row, int column) const
{
    if (row < m_firstRow || row > m_firstRow + 5 || column < m_firstColumn || column > m_firstColumn + 6)
        return QDate();
    const QDate ref = ReferenceDate();
    if (!ref.isValid())
        return QDate();
    const int c1 = ColumnForFirstOfMonth(ref);
    // A month that starts in the first column gets a whole week of the month before above it.
    if (c1 - m_firstColumn < 1)
        row -= 1;
    const QDate date = ref.addDays(7 * (row - m_firstRow) + column - c1 - ref.day() + 1);
    if (!m_showOtherMonthDays && (date.year() != m_shownYear || date.month() != m_shownMonth))
        return QDate();
    return date;
}

void CCalendarModel::CellForDate(const QDate& date, int* row, int* column) const
{
    if (row == nullptr && column == nullptr)
        return;
    if (row != nullptr)
        *row = -1;
    if (column != nullptr)
        *column = -1;
    const QDate ref = ReferenceDate();
    if (!ref.isValid() || !date.isValid())
        return;
    const int c1 = ColumnForFirstOfMonth(ref);
    const qint64 p = ref.daysTo(date) - m_firstColumn + c1 + ref.day() - 1;
    qint64 m = p % 7;
    qint64 w = p / 7;
    if (m < 0) {
        m += 7;
        w -= 1;
    }
    if (c1 - m_firstColumn < 1)
        w += 1;
    if (w < 0 || w > 5 || m < 0 || m > 6)
        return;
    if (row != nullptr)
        *row = static_cast<int>(w) + m_firstRow;
    if (column != nullptr)
        *column = static_cast<int>(m) + m_firstColumn;
}

QModelIndex CCalendarModel::IndexForDate(const QDate& date) const
{
    int row = -1;
    int column = -1;
    CellForDate(date, &row, &column);
    return index(row, column);
}

QString CCalendarModel::DayName(Qt::DayOfWeek day) const
{
    const QLocale locale = m_view != nullptr ? m_view->locale() : QLocale();
    switch (m_horizontalHeaderFormat) {
    case 1: {
        const QString standalone = locale.standaloneDayName(day, QLocale::NarrowFormat);
        if (standalone == locale.dayName(day, QLocale::NarrowFormat))
            return standalone.left(1);
        return standalone;
    }
    case 2:
        return locale.dayName(day, QLocale::ShortFormat);
    case 3:
        return locale.dayName(day, QLocale::LongFormat);
    default:
        return QString();
    }
}

QTextCharFormat CCalendarModel::FormatForCell(int row, int column) const
{
    QPalette palette;
    QPalette::ColorGroup group = QPalette::Active;
    if (m_view != nullptr) {
        palette = m_view->palette();
        if (!m_view->isEnabled())
            group = QPalette::Disabled;
        else if (!m_view->isActiveWindow())
            group = QPalette::Inactive;
    }
    QTextCharFormat format;
    format.setFont(m_view != nullptr ? m_view->font() : QApplication::font());
    const bool header = (m_weekNumbersShown && column == 0) || (m_horizontalHeaderFormat != 0 && row == 0);
    format.setBackground(palette.brush(group, header ? QPalette::AlternateBase : QPalette::Base));
    format.setForeground(palette.brush(group, QPalette::Text));
    if (header)
        format.merge(m_headerFormat);
    if (column >= m_firstColumn && column < m_firstColumn + 7) {
        const auto day = m_dayFormats.constFind(DayOfWeekForColumn(column));
        if (day != m_dayFormats.constEnd())
            format.merge(*day);
    }
    if (!header) {
        const QDate date = DateForCell(row, column);
        const auto dated = m_dateFormats.constFind(date);
        if (dated != m_dateFormats.constEnd())
            format.merge(*dated);
        if (Before(date, m_minimumDate) || Before(m_maximumDate, date))
            format.setBackground(palette.brush(group, QPalette::Window));
        if (date.year() != m_shownYear || date.month() != m_shownMonth)
            format.setForeground(palette.brush(QPalette::Disabled, QPalette::Text));
    }
    return format;
}

QVariant CCalendarModel::data(const QModelIndex& index, int role) const
{
    const int row = index.row();
    const int column = index.column();
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>(Qt::AlignCenter);
    if (role == Qt::DisplayRole) {
        if (m_weekNumbersShown && column == 0 && row >= m_firstRow && row < m_firstRow + 6) {
            const QDate date = DateForCell(row, ColumnForDayOfWeek(Qt::Monday));
            if (date.isValid())
                return date.weekNumber();
        }
        if (m_horizontalHeaderFormat != 0 && row == 0 && column >= m_firstColumn &&
            column < m_firstColumn + 7)
            return DayName(DayOfWeekForColumn(column));
        const QDate date = DateForCell(row, column);
        if (date.isValid())
            return date.day();
        return QString();
    }
    if (role != Qt::ToolTipRole && role != Qt::FontRole && role != Qt::BackgroundRole &&
        role != Qt::ForegroundRole)
        return QVariant();
    const QTextCharFormat format = FormatForCell(row, column);
    switch (role) {
    case Qt::ToolTipRole:
        return format.toolTip();
    case Qt::FontRole:
        return format.font();
    case Qt::BackgroundRole:
        return format.background().color();
    default:
        return format.foreground().color();
    }
}

Qt::ItemFlags CCalendarModel::flags(const QModelIndex& index) const
{
    const QDate date = DateForCell(index.row(), index.column());
    if (!date.isValid())
        return QAbstractTableModel::flags(index);
    if (date < m_minimumDate || date > m_maximumDate)
        return Qt::NoItemFlags;
    return QAbstractTableModel::flags(index);
}

void CCalendarModel::SetDate(const QDate& d)
{
    m_date = d;
    if (Before(m_date, m_minimumDate))
        m_date = m_minimumDate;
    else if (Before(m_maximumDate, m_date))
        m_date = m_maximumDate;
}

void CCalendarModel::SetSelectedRange(const QDate& begin, const QDate& end)
{
    m_selectedBegin = begin;
    m_selectedEnd = end;
}

void CCalendarModel::ShowMonth(int year, int month)
{
    if (year == m_shownYear && month == m_shownMonth)
        return;
    m_shownYear = year;
    m_shownMonth = month;
    InternalUpdate();
}

void CCalendarModel::SetMinimumDate(const QDate& d)
{
    if (!d.isValid() || d == m_minimumDate)
        return;
    m_minimumDate = d;
    if (Before(m_maximumDate, m_minimumDate))
        m_maximumDate = m_minimumDate;
    if (Before(m_date, m_minimumDate))
        m_date = m_minimumDate;
    InternalUpdate();
}

void CCalendarModel::SetMaximumDate(const QDate& d)
{
    if (!d.isValid() || d == m_maximumDate)
        return;
    m_maximumDate = d;
    if (Before(m_maximumDate, m_minimumDate))
        m_minimumDate = m_maximumDate;
    if (Before(m_maximumDate, m_date))
        m_date = m_maximumDate;
    InternalUpdate();
}

void CCalendarModel::SetRange(const QDate& min, const QDate& max)
{
    m_minimumDate = min;
    m_maximumDate = max;
    if (Before(m_maximumDate, m_minimumDate))
        std::swap(m_minimumDate, m_maximumDate);
    if (Before(m_date, m_minimumDate))
        m_date = m_minimumDate;
    if (Before(m_maximumDate, m_date))
        m_date = m_maximumDate;
    InternalUpdate();
}

void CCalendarModel::InternalUpdate()
{
    Q_EMIT dataChanged(index(0, 0), index(m_firstRow + 5, m_firstColumn + 6));
    Q_EMIT headerDataChanged(Qt::Vertical, 0, m_firstRow + 5);
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, m_firstColumn + 6);
}

void CCalendarModel::SetHorizontalHeaderFormat(int format)
{
    if (format == m_horizontalHeaderFormat)
        return;
    const int old = m_horizontalHeaderFormat;
    m_horizontalHeaderFormat = format;
    if (old == 0) {
        m_firstRow = 1;
        insertRow(0);
    } else if (format == 0) {
        m_firstRow = 0;
        removeRow(0);
    }
    InternalUpdate();
}

void CCalendarModel::SetFirstColumnDay(Qt::DayOfWeek day)
{
    if (day == m_firstDay)
        return;
    m_firstDay = day;
    InternalUpdate();
}

void CCalendarModel::SetWeekNumbersShown(bool show)
{
    if (show == m_weekNumbersShown)
        return;
    m_weekNumbersShown = show;
    if (show) {
        m_firstColumn = 1;
        insertColumn(0);
    } else {
        m_firstColumn = 0;
        removeColumn(0);
    }
    InternalUpdate();
}
