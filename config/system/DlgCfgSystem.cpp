#include "config/system/DlgCfgSystem.h"

#include "widgets/dialogs/CPushButton.h"
#include "widgets/views/CTableView.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpacerItem>
#include <QSpinBox>

namespace {

const char* const kSectionStyle = "color:rgb(64, 131, 197)";

template <typename T> T* Make(QWidget* parent, const char* name)
{
    auto* widget = new T(parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// A section title: larger, in the sections' blue, with a sunken line under it.
void StyleSectionTitle(QWidget* title)
{
    QFont font = title->font();
    font.setPointSize(11);
    title->setFont(font);
    title->setStyleSheet(QLatin1String(kSectionStyle));
}

QFrame* SectionLine(QWidget* parent, const char* name)
{
    QFrame* line = Make<QFrame>(parent, name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QLineEdit* Field(QWidget* parent, const char* name)
{
    QLineEdit* edit = Make<QLineEdit>(parent, name);
    edit->setMinimumSize(165, 20);
    return edit;
}

QGridLayout* SectionGrid(const char* name)
{
    auto* grid = new QGridLayout();
    grid->setObjectName(QLatin1String(name));
    grid->setContentsMargins(12, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(5);
    // Column 2 keeps the two field pairs of a row apart; column 5 takes what is left.
    grid->setColumnMinimumWidth(2, 24);
    grid->setColumnStretch(5, 1);
    return grid;
}

} // namespace

void DlgCfgSystem::setupUi(QDialog* page)
{
    if (page->objectName().isEmpty())
        page->setObjectName(QStringLiteral("DlgCfgSystem"));
    gridLayout = new QGridLayout(page);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    gridLayout->setContentsMargins(14, 8, 14, 4);
    gridLayout->setVerticalSpacing(5);

    // Parameter
    label_8 = Make<QLabel>(page, "label_8");
    StyleSectionTitle(label_8);
    line = SectionLine(page, "line");
    m_pcheckBoxAutoStart = Make<QCheckBox>(page, "m_pcheckBoxAutoStart");
    label = Make<QLabel>(page, "label");
    m_plineEditOSUserName = Field(page, "m_plineEditOSUserName");
    label_2 = Make<QLabel>(page, "label_2");
    m_plineEditOSPassWord = Field(page, "m_plineEditOSPassWord");
    auto* parameterGrid = SectionGrid("parameterLayout");
    parameterGrid->addWidget(m_pcheckBoxAutoStart, 0, 0, 1, 2);
    parameterGrid->addWidget(label, 1, 0);
    parameterGrid->addWidget(m_plineEditOSUserName, 1, 1);
    parameterGrid->addWidget(label_2, 1, 3);
    parameterGrid->addWidget(m_plineEditOSPassWord, 1, 4);

    // Disk Allocate
    label_7 = Make<QLabel>(page, "label_7");
    StyleSectionTitle(label_7);
    line_2 = SectionLine(page, "line_2");
    m_ptreeViewDisk = Make<CTableView>(page, "m_ptreeViewDisk");
    // Wide enough for each disk's folder beside its letter and sizes.
    m_ptreeViewDisk->setMaximumSize(780, 130);
    m_ptreeViewDisk->setMinimumHeight(110);
    m_plabelDiskHint = Make<QLabel>(page, "m_plabelDiskHint");
    m_plabelDiskHint->setWordWrap(true);
    m_plabelDiskHint->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label_3 = Make<QLabel>(page, "label_3");
    m_pRadioBtnContinue = Make<QRadioButton>(page, "m_pRadioBtnContinue");
    m_pRadioBtnStop = Make<QRadioButton>(page, "m_pRadioBtnStop");
    auto* diskGrid = SectionGrid("diskLayout");
    diskGrid->addWidget(m_ptreeViewDisk, 0, 0, 1, 6);
    diskGrid->addWidget(m_plabelDiskHint, 1, 0, 1, 6);
    auto* modeRow = new QHBoxLayout();
    modeRow->setObjectName(QStringLiteral("modeLayout"));
    modeRow->setSpacing(16);
    modeRow->addWidget(label_3);
    modeRow->addWidget(m_pRadioBtnContinue);
    modeRow->addWidget(m_pRadioBtnStop);
    modeRow->addStretch(1);
    diskGrid->addLayout(modeRow, 2, 0, 1, 6);

    // Enable Mail
    m_pcheckBoxEmail = Make<QCheckBox>(page, "m_pcheckBoxEmail");
    StyleSectionTitle(m_pcheckBoxEmail);
    line_3 = SectionLine(page, "line_3");
    label_4 = Make<QLabel>(page, "label_4");
    m_pspinBoxReconnect = Make<QSpinBox>(page, "m_pspinBoxReconnect");
    m_pspinBoxReconnect->setMinimumSize(50, 20);
    label_5 = Make<QLabel>(page, "label_5");
    m_plineEditReceiverAddress = Field(page, "m_plineEditReceiverAddress");
    label_6 = Make<QLabel>(page, "label_6");
    m_plineEditDeliverServer = Field(page, "m_plineEditDeliverServer");
    label_13 = Make<QLabel>(page, "label_13");
    m_plineEditPort = Field(page, "m_plineEditPort");
    label_10 = Make<QLabel>(page, "label_10");
    m_plineEditDeliverAddress = Field(page, "m_plineEditDeliverAddress");
    label_14 = Make<QLabel>(page, "label_14");
    m_plineEditMailUserName = Field(page, "m_plineEditMailUserName");
    label_11 = Make<QLabel>(page, "label_11");
    m_plineEditMailPassWord = Field(page, "m_plineEditMailPassWord");
    m_pBtnTestConnection = Make<CPushButton>(page, "m_pBtnTestConnection");
    m_pBtnTestConnection->setMinimumSize(165, 23);
    mailLayout = SectionGrid("mailLayout");
    mailLayout->addWidget(label_4, 0, 0);
    mailLayout->addWidget(m_pspinBoxReconnect, 0, 1, Qt::AlignLeft);
    mailLayout->addWidget(label_5, 1, 0);
    mailLayout->addWidget(m_plineEditReceiverAddress, 1, 1);
    mailLayout->addWidget(label_6, 2, 0);
    mailLayout->addWidget(m_plineEditDeliverServer, 2, 1);
    mailLayout->addWidget(label_13, 2, 3);
    mailLayout->addWidget(m_plineEditPort, 2, 4);
    mailLayout->addWidget(label_10, 4, 0);
    mailLayout->addWidget(m_plineEditDeliverAddress, 4, 1);
    mailLayout->addWidget(label_14, 4, 3);
    mailLayout->addWidget(m_plineEditMailUserName, 4, 4);
    mailLayout->addWidget(label_11, 5, 0);
    mailLayout->addWidget(m_plineEditMailPassWord, 5, 1);
    mailLayout->addWidget(m_pBtnTestConnection, 5, 4);

    int row = 0;
    gridLayout->addWidget(label_8, row++, 0);
    gridLayout->addWidget(line, row++, 0);
    gridLayout->addLayout(parameterGrid, row++, 0);
    gridLayout->addWidget(label_7, row++, 0);
    gridLayout->addWidget(line_2, row++, 0);
    gridLayout->addLayout(diskGrid, row++, 0);
    gridLayout->addWidget(m_pcheckBoxEmail, row++, 0);
    gridLayout->addWidget(line_3, row++, 0);
    gridLayout->addLayout(mailLayout, row++, 0);
    gridLayout->addItem(new QSpacerItem(20, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), row, 0);

    QWidget::setTabOrder(m_pcheckBoxAutoStart, m_plineEditOSUserName);
    QWidget::setTabOrder(m_plineEditOSUserName, m_plineEditOSPassWord);
    QWidget::setTabOrder(m_plineEditOSPassWord, m_ptreeViewDisk);
    QWidget::setTabOrder(m_ptreeViewDisk, m_pRadioBtnContinue);
    QWidget::setTabOrder(m_pRadioBtnContinue, m_pRadioBtnStop);
    QWidget::setTabOrder(m_pRadioBtnStop, m_pcheckBoxEmail);
    QWidget::setTabOrder(m_pcheckBoxEmail, m_pspinBoxReconnect);
    QWidget::setTabOrder(m_pspinBoxReconnect, m_plineEditReceiverAddress);
    QWidget::setTabOrder(m_plineEditReceiverAddress, m_plineEditDeliverServer);
    QWidget::setTabOrder(m_plineEditDeliverServer, m_plineEditPort);
    QWidget::setTabOrder(m_plineEditPort, m_plineEditDeliverAddress);
    QWidget::setTabOrder(m_plineEditDeliverAddress, m_plineEditMailUserName);
    QWidget::setTabOrder(m_plineEditMailUserName, m_plineEditMailPassWord);
    QWidget::setTabOrder(m_plineEditMailPassWord, m_pBtnTestConnection);

    retranslateUi(page);
}

void DlgCfgSystem::retranslateUi(QDialog* page)
{
    page->setWindowTitle(QCoreApplication::translate("DlgCfgSystem", "DlgCfgSystem"));
    label_8->setText(QCoreApplication::translate("DlgCfgSystem", "Parameter"));
    m_pcheckBoxAutoStart->setText(QCoreApplication::translate("DlgCfgSystem", "Auto Reboot"));
    label->setText(QCoreApplication::translate("DlgCfgSystem", "OS username"));
    label_2->setText(QCoreApplication::translate("DlgCfgSystem", "OS Password"));
    label_7->setText(QCoreApplication::translate("DlgCfgSystem", "Disk Allocate"));
    label_3->setText(QCoreApplication::translate("DlgCfgSystem", "When backup space is not enough"));
    m_pRadioBtnContinue->setText(QCoreApplication::translate("DlgCfgSystem", "Override"));
    m_pRadioBtnStop->setText(QCoreApplication::translate("DlgCfgSystem", "Stop"));
    m_pcheckBoxEmail->setText(QCoreApplication::translate("DlgCfgSystem", "Enable Mail"));
    label_4->setText(QCoreApplication::translate("DlgCfgSystem", "Reconnect"));
    m_pspinBoxReconnect->setToolTip(
        QCoreApplication::translate("DlgCfgSystem", "reconnect times when start backup"));
    label_5->setText(QCoreApplication::translate("DlgCfgSystem", "Receiver Address"));
    label_6->setText(QCoreApplication::translate("DlgCfgSystem", "Deliver Server"));
    label_13->setText(QCoreApplication::translate("DlgCfgSystem", "Port"));
    label_10->setText(QCoreApplication::translate("DlgCfgSystem", "Sender's Address"));
    label_14->setText(QCoreApplication::translate("DlgCfgSystem", "Username"));
    label_11->setText(QCoreApplication::translate("DlgCfgSystem", "Password"));
    m_pBtnTestConnection->setText(QCoreApplication::translate("DlgCfgSystem", "Test Connection"));
}
