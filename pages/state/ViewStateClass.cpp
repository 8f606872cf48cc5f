#include "pages/state/ViewStateClass.h"

#include <QCoreApplication>
#include <QSpacerItem>

namespace {

constexpr char kValueStyle[] = "color: rgb(112, 112, 154);";

QLabel* NamedLabel(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QLabel* ValueLabel(QWidget* parent, const char* name)
{
    QLabel* label = NamedLabel(parent, name);
    label->setStyleSheet(QLatin1String(kValueStyle));
    return label;
}

QLabel* TitleLabel(QWidget* parent, const char* name)
{
    QLabel* label = NamedLabel(parent, name);
    QFont font(QStringLiteral("Arial"), 10);
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLabel* ModeLabel(QWidget* parent, const char* name)
{
    QLabel* label = NamedLabel(parent, name);
    QFont font = label->font();
    font.setPointSize(11);
    font.setBold(true);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QPushButton* ModeButton(QWidget* parent, const char* name)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setMinimumSize(75, 70);
    return button;
}

QFrame* HorizontalLine(QWidget* parent, const char* name)
{
    auto* line = new QFrame(parent);
    line->setObjectName(QLatin1String(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

void ViewStateClass::setupUi(QDialog* dialog)
{
    dialog->setObjectName(QStringLiteral("ViewStateClass"));
    dialog->resize(862, 686);
    // The application's style sheet gives every button its own minimum height; the mode buttons keep the
    // size of their 75 x 70 pictures.
    dialog->setStyleSheet(QStringLiteral(
        "QPushButton#pBtnAuto,QPushButton#pBtnManual{min-width:75px;min-height:70px;padding:0px;}"));
    horizontalLayout = new QHBoxLayout(dialog);
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));

    // Left column: the two tables.
    verticalLayout = new QVBoxLayout();
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    horizontalLayout_2 = new QHBoxLayout();
    horizontalLayout_2->setObjectName(QStringLiteral("horizontalLayout_2"));
    label2 = NamedLabel(dialog, "label2");
    horizontalLayout_2->addWidget(label2);
    horizontalLayout_2->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    verticalLayout->addLayout(horizontalLayout_2);
    label = NamedLabel(dialog, "label");
    label->setTextFormat(Qt::RichText);
    label->hide();
    verticalLayout->addWidget(label);
    tableView_State = new CTableView(dialog);
    tableView_State->setObjectName(QStringLiteral("tableView_State"));
    verticalLayout->addWidget(tableView_State);
    label_3 = NamedLabel(dialog, "label_3");
    verticalLayout->addWidget(label_3);
    tableView_Event = new CTableView(dialog);
    tableView_Event->setObjectName(QStringLiteral("tableView_Event"));
    tableView_Event->setMinimumHeight(100);
    tableView_Event->setMaximumHeight(150);
    verticalLayout->addWidget(tableView_Event);
    horizontalLayout->addLayout(verticalLayout, 1);

    // Right column: mode buttons, the details of the running mode, the hint.
    frame = new QFrame(dialog);
    frame->setObjectName(QStringLiteral("frame"));
    frame->setMinimumWidth(260);
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    gridLayout = new QGridLayout(frame);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));

    frame_2 = new QFrame(frame);
    frame_2->setObjectName(QStringLiteral("frame_2"));
    frame_2->setMinimumSize(230, 150);
    frame_2->setFrameShape(QFrame::StyledPanel);
    frame_2->setFrameShadow(QFrame::Raised);
    gridLayout_2 = new QGridLayout(frame_2);
    gridLayout_2->setObjectName(QStringLiteral("gridLayout_2"));
    pBtnAuto = ModeButton(frame_2, "pBtnAuto");
    pBtnManual = ModeButton(frame_2, "pBtnManual");
    pLabelAuto = ModeLabel(frame_2, "pLabelAuto");
    label_5 = ModeLabel(frame_2, "label_5");
    gridLayout_2->addWidget(pBtnAuto, 0, 0, Qt::AlignCenter);
    gridLayout_2->addWidget(pBtnManual, 0, 1, Qt::AlignCenter);
    gridLayout_2->addWidget(pLabelAuto, 1, 0);
    gridLayout_2->addWidget(label_5, 1, 1);
    gridLayout->addWidget(frame_2, 0, 0);

    line = HorizontalLine(frame, "line");
    gridLayout->addWidget(line, 1, 0);

    stackedWidget = new QStackedWidget(frame);
    stackedWidget->setObjectName(QStringLiteral("stackedWidget"));
    stackedWidget->setMinimumSize(100, 400);

    page_Auto = new QWidget();
    page_Auto->setObjectName(QStringLiteral("page_Auto"));
    gridLayout_3 = new QGridLayout(page_Auto);
    gridLayout_3->setObjectName(QStringLiteral("gridLayout_3"));
    label_BackupDetail1_2 = TitleLabel(page_Auto, "label_BackupDetail1_2");
    gridLayout_3->addWidget(label_BackupDetail1_2, 0, 0, 1, 2);
    const struct
    {
        QLabel** caption;
        const char* captionName;
        QLabel** value;
        const char* valueName;
    } autoRows[] = {
        {&label_7, "label_7", &label_8, "label_8"},
        {&label_9, "label_9", &label_time, "label_time"},
        {&label_11, "label_11", &label_count, "label_count"},
        {&label_13, "label_13", &label_total, "label_total"},
        {&label_21, "label_21", &label_already, "label_already"},
        {&label_15, "label_15", &label_percent, "label_percent"},
        {&label_17, "label_17", &label_overdueTotal, "label_overdueTotal"},
        {&label_19, "label_19", &label_overdueAlready, "label_overdueAlready"},
        {&label_20, "label_20", &label_overduePercent, "label_overduePercent"},
    };
    int row = 1;
    for (const auto& r : autoRows) {
        *r.caption = NamedLabel(page_Auto, r.captionName);
        *r.value = ValueLabel(page_Auto, r.valueName);
        gridLayout_3->addWidget(*r.caption, row, 0);
        gridLayout_3->addWidget(*r.value, row, 1);
        ++row;
    }
    gridLayout_3->setColumnStretch(1, 1);
    gridLayout_3->addItem(new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding), row, 0);
    stackedWidget->addWidget(page_Auto);

    page_Manual = new QWidget();
    page_Manual->setObjectName(QStringLiteral("page_Manual"));
    layoutWidget = new QWidget(page_Manual);
    layoutWidget->setObjectName(QStringLiteral("layoutWidget"));
    layoutWidget->setGeometry(8, 21, 230, 194);
    verticalLayout_2 = new QVBoxLayout(layoutWidget);
    verticalLayout_2->setObjectName(QStringLiteral("verticalLayout_2"));
    verticalLayout_2->setContentsMargins(0, 0, 0, 0);
    label_BackupDetail1 = TitleLabel(layoutWidget, "label_BackupDetail1");
    verticalLayout_2->addWidget(label_BackupDetail1);
    gridLayout_4 = new QGridLayout();
    gridLayout_4->setObjectName(QStringLiteral("gridLayout_4"));
    const struct
    {
        QLabel** caption;
        const char* captionName;
        QLabel** value;
        const char* valueName;
    } manualRows[] = {
        {&label_25, "label_25", &label_26, "label_26"},
        {&label_27, "label_27", &label_mtime, "label_mtime"},
        {&label_29, "label_29", &label_mStart, "label_mStart"},
        {&label_31, "label_31", &label_mEnd, "label_mEnd"},
        {&label_33, "label_33", &label_mType, "label_mType"},
    };
    row = 0;
    for (const auto& r : manualRows) {
        *r.caption = NamedLabel(layoutWidget, r.captionName);
        *r.value = ValueLabel(layoutWidget, r.valueName);
        gridLayout_4->addWidget(*r.caption, row, 0);
        gridLayout_4->addWidget(*r.value, row, 1);
        ++row;
    }
    label_35 = NamedLabel(layoutWidget, "label_35");
    gridLayout_4->addWidget(label_35, row, 0);
    gridLayout_4->setColumnStretch(1, 1);
    verticalLayout_2->addLayout(gridLayout_4, 1);
    m_listWidget = new QListWidget(page_Manual);
    m_listWidget->setObjectName(QStringLiteral("m_listWidget"));
    m_listWidget->setGeometry(9, 218, 231, 180);
    stackedWidget->addWidget(page_Manual);

    page_Empty = new QWidget();
    page_Empty->setObjectName(QStringLiteral("page_Empty"));
    stackedWidget->addWidget(page_Empty);
    gridLayout->addWidget(stackedWidget, 2, 0);

    line_2 = HorizontalLine(frame, "line_2");
    gridLayout->addWidget(line_2, 3, 0);
    gridLayout->addItem(new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding), 4, 0);
    horizontalLayout_3 = new QHBoxLayout();
    horizontalLayout_3->setObjectName(QStringLiteral("horizontalLayout_3"));
    label_2 = NamedLabel(frame, "label_2");
    label_2->setMaximumSize(30, 30);
    label_2->setTextFormat(Qt::RichText);
    label_6 = NamedLabel(frame, "label_6");
    label_6->setWordWrap(true);
    label_6->setMaximumHeight(40);
    horizontalLayout_3->addWidget(label_2);
    horizontalLayout_3->addWidget(label_6);
    gridLayout->addLayout(horizontalLayout_3, 5, 0);
    gridLayout->addItem(new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding), 6, 0);
    horizontalLayout->addWidget(frame);

    retranslateUi(dialog);
    stackedWidget->setCurrentIndex(0);
}

void ViewStateClass::retranslateUi(QDialog* dialog)
{
    dialog->setWindowTitle(QCoreApplication::translate("ViewStateClass", "Dialog"));
    label2->setText(QCoreApplication::translate("ViewStateClass", "Backup Execution State:"));
    label->setText(QStringLiteral("<img src=\":/images/ButtonIcon/info_16.png\"/> ") +
                   QCoreApplication::translate("ViewStateClass",
                                               "The backup with red schedule and channel name is overdue"));
    label_3->setText(QCoreApplication::translate("ViewStateClass", "Event Information:"));
    pLabelAuto->setText(QCoreApplication::translate("ViewStateClass", "Auto"));
    label_5->setText(QCoreApplication::translate("ViewStateClass", "Manual"));
    label_2->setText(QStringLiteral("<img src=\":/images/ButtonIcon/infor_24.png\"/>"));
    label_6->setText(QCoreApplication::translate(
        "ViewStateClass", "Channel backup process will take up device connection number and bandwidth."));
    label_BackupDetail1_2->setText(QCoreApplication::translate("ViewStateClass", "Backup Details       "));
    label_7->setText(QCoreApplication::translate("ViewStateClass", "Backup Mode:"));
    label_8->setText(QCoreApplication::translate("ViewStateClass", "Auto"));
    label_9->setText(QCoreApplication::translate("ViewStateClass", "Backup Duration:"));
    label_11->setText(QCoreApplication::translate("ViewStateClass", "Download Schedule Number:"));
    label_13->setText(QCoreApplication::translate("ViewStateClass", "Today Total Size:"));
    label_21->setText(QCoreApplication::translate("ViewStateClass", "Today Complete Size:"));
    label_15->setText(QCoreApplication::translate("ViewStateClass", "Today Complete Percent:"));
    label_17->setText(QCoreApplication::translate("ViewStateClass", "Overdue Total Size:"));
    label_19->setText(QCoreApplication::translate("ViewStateClass", "Overdue Complete Size:"));
    label_20->setText(QCoreApplication::translate("ViewStateClass", "Overdue Complete Percent:"));
    label_BackupDetail1->setText(QCoreApplication::translate("ViewStateClass", "Backup Details"));
    label_25->setText(QCoreApplication::translate("ViewStateClass", "Backup Mode:"));
    label_26->setText(QCoreApplication::translate("ViewStateClass", "Manual"));
    label_27->setText(QCoreApplication::translate("ViewStateClass", "Backup Duration:"));
    label_29->setText(QCoreApplication::translate("ViewStateClass", "File Start Time:"));
    label_31->setText(QCoreApplication::translate("ViewStateClass", "File End Time:"));
    label_33->setText(QCoreApplication::translate("ViewStateClass", "File Type:"));
    label_35->setText(QCoreApplication::translate("ViewStateClass", "Backup Channel:"));
}
