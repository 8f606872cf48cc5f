#include "app/VarrowClass.h"

#include <QCoreApplication>
#include <QIcon>

namespace {

QPushButton* TabButton(QWidget* parent, const char* name, const char* icon)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setMinimumSize(140, 40);
    QFont font = button->font();
    font.setFamily(QStringLiteral("Arial"));
    button->setFont(font);
    button->setIcon(QIcon(QLatin1String(icon)));
    button->setIconSize(QSize(32, 32));
    return button;
}

} // namespace

void VarrowClass::setupUi(QMainWindow* window)
{
    window->setObjectName(QStringLiteral("VarrowClass"));
    centralWidget = new QWidget(window);
    centralWidget->setObjectName(QStringLiteral("centralWidget"));
    gridLayout = new QGridLayout(centralWidget);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    gridLayout->setSpacing(0);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    pGridLayout = new QGridLayout();
    pGridLayout->setObjectName(QStringLiteral("pGridLayout"));
    pGridLayout->setSpacing(0);
    pGridLayout->setContentsMargins(6, 0, 6, 0);
    // The title bar is put over this spacer by the window.
    pGridLayout->addItem(new QSpacerItem(20, 33, QSizePolicy::Minimum, QSizePolicy::Fixed), 0, 0, 1, 2);

    pTabFrame = new QFrame(centralWidget);
    pTabFrame->setObjectName(QStringLiteral("pTabFrame"));
    pTabFrame->setMinimumHeight(40);
    pTabFrame->setStyleSheet(
        QStringLiteral("QFrame{background-image:url(:/images/Tab/tab_bg.png); border:none;}"));
    pTabFrame->setFrameShape(QFrame::StyledPanel);
    pTabFrame->setFrameShadow(QFrame::Raised);
    gridLayout_4 = new QGridLayout(pTabFrame);
    gridLayout_4->setObjectName(QStringLiteral("gridLayout_4"));
    gridLayout_4->setContentsMargins(0, 0, 0, 0);
    pGridLayoutFrame = new QGridLayout();
    pGridLayoutFrame->setObjectName(QStringLiteral("pGridLayoutFrame"));
    pGridLayoutFrame->setHorizontalSpacing(3);
    pGridLayoutFrame->setVerticalSpacing(0);
    pGridLayoutFrame->setContentsMargins(0, 2, 0, 0);
    pBtnViewState = TabButton(pTabFrame, "pBtnViewState", ":/images/Tab/monitoring.png");
    pBtnViewRecFile = TabButton(pTabFrame, "pBtnViewRecFile", ":/images/Tab/videoSearch.png");
    pBtnViewLog = TabButton(pTabFrame, "pBtnViewLog", ":/images/Tab/LogSearch.png");
    pBtnConfig = TabButton(pTabFrame, "pBtnConfig", ":/images/Tab/config.png");
    pBtnAbout = TabButton(pTabFrame, "pBtnAbout", ":/images/Tab/Information.png");
    pGridLayoutFrame->addWidget(pBtnViewState, 0, 0);
    pGridLayoutFrame->addWidget(pBtnViewRecFile, 0, 1);
    pGridLayoutFrame->addWidget(pBtnViewLog, 0, 2);
    pGridLayoutFrame->addWidget(pBtnConfig, 0, 3);
    pGridLayoutFrame->addWidget(pBtnAbout, 0, 4);
    pGridLayoutFrame->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum), 0, 5);

    pStatusWidget = new QFrame(pTabFrame);
    pStatusWidget->setObjectName(QStringLiteral("pStatusWidget"));
    pStatusWidget->setMinimumWidth(170);
    gridLayout_2 = new QGridLayout(pStatusWidget);
    gridLayout_2->setObjectName(QStringLiteral("gridLayout_2"));
    gridLayout_2->setSpacing(0);
    gridLayout_2->setContentsMargins(0, 0, 0, 0);
    pGridLayoutWidget = new QGridLayout();
    pGridLayoutWidget->setObjectName(QStringLiteral("pGridLayoutWidget"));
    pGridLayoutWidget->setSpacing(0);
    pGridLayoutWidget->setContentsMargins(0, 0, 0, 0);
    pLabelIcon = new QLabel(pStatusWidget);
    pLabelIcon->setObjectName(QStringLiteral("pLabelIcon"));
    pLabelIcon->setFixedSize(16, 16);
    pLabelIcon->setPixmap(QPixmap(QStringLiteral(":/images/Tab/download.png")));
    pLabelTip = new QLabel(pStatusWidget);
    pLabelTip->setObjectName(QStringLiteral("pLabelTip"));
    pLabelData = new QLabel(pStatusWidget);
    pLabelData->setObjectName(QStringLiteral("pLabelData"));
    for (QLabel* label : {pLabelTip, pLabelData}) {
        QFont font = label->font();
        font.setFamily(QStringLiteral("Arial"));
        label->setFont(font);
    }
    pGridLayoutWidget->addWidget(pLabelIcon, 0, 0);
    pGridLayoutWidget->addWidget(pLabelTip, 0, 1);
    pGridLayoutWidget->addWidget(pLabelData, 0, 2);
    gridLayout_2->addLayout(pGridLayoutWidget, 0, 0);
    pGridLayoutFrame->addWidget(pStatusWidget, 0, 6);
    gridLayout_4->addLayout(pGridLayoutFrame, 0, 0);
    pGridLayout->addWidget(pTabFrame, 1, 0, 1, 2);
    // The stacked pages are put over this spacer by the window.
    pGridLayout->addItem(new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding), 2, 0);

    gridLayout->addLayout(pGridLayout, 0, 0);
    window->setCentralWidget(centralWidget);
    retranslateUi(window);
}

void VarrowClass::retranslateUi(QMainWindow* window)
{
    window->setWindowTitle(QCoreApplication::translate("VarrowClass", "Varrow"));
    pBtnViewState->setText(QCoreApplication::translate("VarrowClass", "View State"));
    pBtnViewRecFile->setText(QCoreApplication::translate("VarrowClass", "View Record File"));
    pBtnViewLog->setText(QCoreApplication::translate("VarrowClass", "View Log"));
    pBtnConfig->setText(QCoreApplication::translate("VarrowClass", "Config"));
    pBtnAbout->setText(QCoreApplication::translate("VarrowClass", "About"));
    pLabelTip->setText(QCoreApplication::translate("VarrowClass", "Network :"));
    pLabelData->setText(QCoreApplication::translate("VarrowClass", "0"));
}
