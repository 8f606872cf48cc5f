// The plan page's weekly schedule table: eight rows (the whole week, then Monday to Sunday), each a check box
// and six editors, copied to and from the page's working copy of the plans.

#include "config/plans/CDlgCfgPlan.h"

#include "config/plans/ScheduleCheck.h"
#include "widgets/calendar/CTimeEdit.h"
#include "widgets/dialogs/CCheckBox.h"
#include "widgets/dialogs/CComboBox.h"
#include "widgets/dialogs/CWarnDlg.h"
#include "widgets/views/CTableView.h"

#include <QHeaderView>
#include <QTime>

#include <algorithm>

namespace {

constexpr int kFileTypeRole = Qt::UserRole; // 32: the file type code of a combo item

QTime ToTime(const SCHEDULE_TIME& t)
{
    return QTime(t.Hour, t.Minute, t.Second);
}

SCHEDULE_TIME FromTime(const QTime& t)
{
    return SCHEDULE_TIME{int16_t(t.hour()), int16_t(t.minute()), int16_t(t.second())};
}

} // namespace

template <typename T> T* CDlgCfgPlan::Cell(int row, int column) const
{
    return qobject_cast<T*>(ui.m_ptableViewBackUpTime->GetItemWidget(row, column));
}

QString CDlgCfgPlan::GetWeekDayName(int row) const
{
    return ScheduleDayName(row);
}

void CDlgCfgPlan::InitScheduleTable()
{
    CTableView* table = ui.m_ptableViewBackUpTime;
    if (table->GetRowCount() == 0) {
        table->SetHeaderLabels({tr("Week"), tr("Schedule Begin"), tr("Duration"), tr("Backup time"),
                                tr("File Begin"), tr("File End"), tr("File Type")});
        for (int r = 0; r < SCHEDULE_ENTRY_NUM; ++r)
            table->AppendRow();
    }

    const char* const dayTexts[SCHEDULE_ENTRY_NUM] = {
        QT_TR_NOOP("Whole Week"), QT_TR_NOOP("Monday"), QT_TR_NOOP("Tuesday"),  QT_TR_NOOP("Wednesday"),
        QT_TR_NOOP("Thusday"),    QT_TR_NOOP("Friday"), QT_TR_NOOP("Saturday"), QT_TR_NOOP("Sunday"),
    };
    QStringList hours, days;
    for (int n = 1; n <= 24; ++n)
        hours << QString::number(n) + tr("hours");
    for (int n = 0; n <= 30; ++n)
        days << QString::number(n) + tr("days ago");
    const std::pair<const char*, int> fileTypes[] = {
        {QT_TR_NOOP("all"), 0},   {QT_TR_NOOP("Schedule"), 1},      {QT_TR_NOOP("Motion Detection"), 2},
        {QT_TR_NOOP("Alarm"), 3}, {QT_TR_NOOP("Manual Record"), 8},
    };

    CCheckBox* whole = nullptr;
    for (int r = 0; r < SCHEDULE_ENTRY_NUM; ++r) {
        auto* box = new CCheckBox(tr(dayTexts[r]));
        auto* start = new CTimeEdit();
        start->setTime(QTime(18, 0, 0));
        auto* duration = new CComboBox();
        duration->addItems(hours);
        duration->setCurrentIndex(5);
        auto* fileDay = new CComboBox();
        fileDay->addItems(days);
        fileDay->setCurrentIndex(1);
        auto* fileStart = new CTimeEdit();
        fileStart->setTime(QTime(0, 0, 0));
        auto* fileEnd = new CTimeEdit();
        fileEnd->setTime(QTime(23, 59, 59));
        auto* fileType = new CComboBox();
        for (const auto& [text, code] : fileTypes)
            fileType->addItem(tr(text), code);
        fileType->setCurrentIndex(0);
        // Its width comes from the table's rest, not from its longest name: the chrome is kept slim, and
        // the chosen name is its tool tip.
        fileType->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        fileType->setMinimumContentsLength(4);
        fileType->setStyleSheet(
            QStringLiteral("QComboBox{padding: 1px 2px;} QComboBox::drop-down{width: 14px;}"));
        fileType->setToolTip(fileType->currentText());
        connect(fileType, &QComboBox::currentTextChanged, fileType, &QWidget::setToolTip);

        table->SetItemWidget(r, COL_WEEK, box);
        table->SetItemWidget(r, COL_TASK_START, start);
        table->SetItemWidget(r, COL_DURATION, duration);
        table->SetItemWidget(r, COL_FILE_DAY, fileDay);
        table->SetItemWidget(r, COL_FILE_START, fileStart);
        table->SetItemWidget(r, COL_FILE_END, fileEnd);
        table->SetItemWidget(r, COL_FILE_TYPE, fileType);
        if (r == 0)
            whole = box;

        // Receivers run in connection order: the row's editors follow "Whole Week" first, then the rule of
        // their own row; see the enabling table of the schedule.
        const QList<QWidget*> editors = {start, duration, fileDay, fileStart, fileEnd, fileType};
        for (QWidget* editor : editors)
            connect(whole, &QCheckBox::toggled, editor, &QWidget::setDisabled);
        if (r == 0) {
            for (QWidget* editor : editors)
                connect(whole, &QCheckBox::toggled, editor, &QWidget::setEnabled);
            continue;
        }
        connect(whole, &QCheckBox::toggled, box, &QWidget::setDisabled);
        connect(whole, &QCheckBox::toggled, box, &CCheckBox::SetUnChecked, Qt::DirectConnection);
        for (QWidget* editor : editors)
            connect(box, &QCheckBox::toggled, editor, &QWidget::setEnabled);
    }
    whole->setChecked(true);
    FitScheduleColumns();
}

void CDlgCfgPlan::FitScheduleColumns()
{
    // Each column as wide as its header text and its editors need, no wider: the table is narrow, and the
    // last column (the file type, whose longest names are the widest texts of the table) takes the rest.
    CTableView* table = ui.m_ptableViewBackUpTime;
    QHeaderView* header = table->header();
    const int margin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) + 6;
    for (int c = 0; c < SCHEDULE_COLUMN_NUM; ++c) {
        const QString title = table->model()->headerData(c, Qt::Horizontal).toString();
        int width = header->fontMetrics().horizontalAdvance(title) + margin;
        for (int r = 0; r < SCHEDULE_ENTRY_NUM; ++r)
            width = std::max(width, table->GetItemWidget(r, c)->sizeHint().width() + 2);
        table->setColumnWidth(c, width);
    }
}

void CDlgCfgPlan::TableToPlan(int plan)
{
    if (plan < 0 || plan >= MAX_GROUP_NUM)
        return;
    GROUP_INFO& record = m_pPlans[plan];
    for (int r = 0; r < SCHEDULE_ENTRY_NUM; ++r) {
        SCHEDULE_WEEKDAY& e = record.Schedule[r];
        e.Weekday = int16_t(r);
        e.IsEanbel = Cell<CCheckBox>(r, COL_WEEK)->isChecked() ? 1 : 0;
        e.TaskStartTime = FromTime(Cell<CTimeEdit>(r, COL_TASK_START)->time());
        e.Duration = int16_t(Cell<CComboBox>(r, COL_DURATION)->currentIndex() + 1);
        e.FileDate = int16_t(Cell<CComboBox>(r, COL_FILE_DAY)->currentIndex());
        e.FileStartTime = FromTime(Cell<CTimeEdit>(r, COL_FILE_START)->time());
        e.FileEndTime = FromTime(Cell<CTimeEdit>(r, COL_FILE_END)->time());
        const CComboBox* type = Cell<CComboBox>(r, COL_FILE_TYPE);
        e.FileType = type->currentIndex() >= 0 ? type->currentData(kFileTypeRole).toUInt() : 0;
    }
}

void CDlgCfgPlan::PlanToTable(int plan)
{
    if (plan < 0 || plan >= MAX_GROUP_NUM)
        return;
    const GROUP_INFO& record = m_pPlans[plan];
    Cell<CCheckBox>(0, COL_WEEK)->setChecked(record.Schedule[0].IsEanbel == 1);
    for (int r = 0; r < SCHEDULE_ENTRY_NUM; ++r) {
        const SCHEDULE_WEEKDAY& e = record.Schedule[r];
        Cell<CTimeEdit>(r, COL_TASK_START)->setTime(ToTime(e.TaskStartTime));
        Cell<CComboBox>(r, COL_DURATION)->setCurrentIndex(e.Duration - 1);
        Cell<CComboBox>(r, COL_FILE_DAY)->setCurrentIndex(e.FileDate);
        Cell<CTimeEdit>(r, COL_FILE_START)->setTime(ToTime(e.FileStartTime));
        Cell<CTimeEdit>(r, COL_FILE_END)->setTime(ToTime(e.FileEndTime));
        CComboBox* type = Cell<CComboBox>(r, COL_FILE_TYPE);
        // A code no item carries shows no item (and is stored back as 0).
        type->setCurrentIndex(type->findData(int(e.FileType), kFileTypeRole));
    }
    auto setEditors = [this](int r, bool enabled) {
        for (int c = COL_TASK_START; c < SCHEDULE_COLUMN_NUM; ++c)
            ui.m_ptableViewBackUpTime->GetItemWidget(r, c)->setEnabled(enabled);
    };
    if (record.Schedule[0].IsEanbel == 0)
        setEditors(0, false);
    for (int r = 1; r < SCHEDULE_ENTRY_NUM; ++r) {
        CCheckBox* box = Cell<CCheckBox>(r, COL_WEEK);
        if (record.Schedule[r].IsEanbel != 1) {
            box->setChecked(false);
            setEditors(r, false);
        } else {
            box->setChecked(true);
        }
    }
}

bool CDlgCfgPlan::CheckSchedule()
{
    const QString error = FirstScheduleError(m_pPlans);
    if (error.isEmpty())
        return true;
    ShowInfoMsgBox(tr("Information"), error, this);
    return false;
}
