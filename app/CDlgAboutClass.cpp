#include "app/CDlgAboutClass.h"

#include <QCoreApplication>

void CDlgAboutClass::setupUi(QWidget* form)
{
    gridLayout = new QGridLayout(form);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    gridLayout->setContentsMargins(11, 11, 11, 11);
    pLabelAbout = new QLabel(form);
    pLabelAbout->setObjectName(QStringLiteral("pLabelAbout"));
    QFont font = pLabelAbout->font();
    font.setPointSize(13);
    pLabelAbout->setFont(font);
    pLabelAbout->setAlignment(Qt::AlignCenter);
    gridLayout->addWidget(pLabelAbout, 0, 0);
    retranslateUi(form);
}

void CDlgAboutClass::retranslateUi(QWidget* form)
{
    form->setWindowTitle(QCoreApplication::translate("CDlgAboutClass", "About"));
    pLabelAbout->setText(QCoreApplication::translate("CDlgAboutClass", "Varrow software V2.00.00.04"));
}
