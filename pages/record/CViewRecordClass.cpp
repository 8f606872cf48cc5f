#include "pages/record/CViewRecordClass.h"

#include "widgets/calendar/CDateTimeEdit.h"
#include "widgets/dialogs/CComboBox.h"
#include "widgets/dialogs/CPushButton.h"
#include "widgets/views/CGroupTreeView.h"
#include "widgets/views/CTableView.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// The left column: wide enough for the Search button and the date-time fields beside their labels.
constexpr int kLeftWidth = 260;

QLabel* Spacer(QWidget* parent, const char* name, int maxHeight)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setMaximumHeight(maxHeight);
    return label;
}

} // namespace

void CViewRecordClass::setupUi(QDialog* page)
{
    if (page->objectName().isEmpty())
        page->setObjectName(QStringLiteral("CViewRecordClass"));
    page->resize(965, 668);

    gridLayout = new QGridLayout(page);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    gridLayout->setContentsMargins(9, 6, 9, 9);
    gridLayout->setHorizontalSpacing(12);
    gridLayout->setVerticalSpacing(0);

    pLabelCameraSel = new QLabel(page);
    pLabelCameraSel->setObjectName(QStringLiteral("pLabelCameraSel"));
    pLabelCameraSel->setMinimumWidth(200);
    // At the top beside the caption, also while notes below the caption make its row taller.
    gridLayout->addWidget(pLabelCameraSel, 0, 0, Qt::AlignTop);
    label = Spacer(page, "label", 6);
    gridLayout->addWidget(label, 1, 0);

    pTreeGroup = new CGroupTreeView(page);
    pTreeGroup->setObjectName(QStringLiteral("pTreeGroup"));
    pTreeGroup->setFixedWidth(kLeftWidth);
    gridLayout->addWidget(pTreeGroup, 2, 0);

    label_3 = Spacer(page, "label_3", 10);
    gridLayout->addWidget(label_3, 3, 0);
    line = new QFrame(page);
    line->setObjectName(QStringLiteral("line"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    gridLayout->addWidget(line, 4, 0);

    gridLayoutSearch = new QGridLayout();
    gridLayoutSearch->setObjectName(QStringLiteral("gridLayoutSearch"));
    gridLayoutSearch->setContentsMargins(0, 8, 0, 8);
    gridLayoutSearch->setVerticalSpacing(6);
    pLabelFileType = new QLabel(page);
    pLabelFileType->setObjectName(QStringLiteral("pLabelFileType"));
    pCombFileType = new CComboBox(page);
    pCombFileType->setObjectName(QStringLiteral("pCombFileType"));
    pLabelFrom = new QLabel(page);
    pLabelFrom->setObjectName(QStringLiteral("pLabelFrom"));
    pDtFrom = new CDateTimeEdit(page);
    pDtFrom->setObjectName(QStringLiteral("pDtFrom"));
    pLabelTo = new QLabel(page);
    pLabelTo->setObjectName(QStringLiteral("pLabelTo"));
    pDtTo = new CDateTimeEdit(page);
    pDtTo->setObjectName(QStringLiteral("pDtTo"));
    gridLayoutSearch->addWidget(pLabelFileType, 0, 0);
    gridLayoutSearch->addWidget(pCombFileType, 0, 1);
    gridLayoutSearch->addWidget(pLabelFrom, 1, 0);
    gridLayoutSearch->addWidget(pDtFrom, 1, 1);
    gridLayoutSearch->addWidget(pLabelTo, 2, 0);
    gridLayoutSearch->addWidget(pDtTo, 2, 1);
    gridLayoutSearch->setColumnStretch(1, 1);
    gridLayout->addLayout(gridLayoutSearch, 5, 0);

    label_4 = Spacer(page, "label_4", 10);
    gridLayout->addWidget(label_4, 6, 0);
    pBtnSearchRecord = new CPushButton(page);
    pBtnSearchRecord->setObjectName(QStringLiteral("pBtnSearchRecord"));
    pBtnSearchRecord->setMinimumSize(260, 50);
    pBtnSearchRecord->setIcon(QIcon(QStringLiteral(":/images/ButtonIcon/search.png")));
    pBtnSearchRecord->setIconSize(QSize(32, 32));
    gridLayout->addWidget(pBtnSearchRecord, 7, 0);

    pLabel = new QLabel(page);
    pLabel->setObjectName(QStringLiteral("pLabel"));
    pLabel->setMinimumWidth(200);
    // Beside the caption, shown after a search that found nothing.
    pLabelNoRecord = new QLabel(page);
    pLabelNoRecord->setObjectName(QStringLiteral("pLabelNoRecord"));
    pLabelNoRecord->hide();
    auto* captionRow = new QHBoxLayout();
    captionRow->addWidget(pLabel);
    captionRow->addWidget(pLabelNoRecord);
    captionRow->addStretch(1);
    // Below the caption, shown after a search that could not search every disk or listed only part of what
    // it matched: a missing disk must never read as a disk without records.
    pLabelSearchNote = new QLabel(page);
    pLabelSearchNote->setObjectName(QStringLiteral("pLabelSearchNote"));
    pLabelSearchNote->setWordWrap(true);
    pLabelSearchNote->setTextFormat(Qt::PlainText);
    pLabelSearchNote->hide();
    auto* captionColumn = new QVBoxLayout();
    captionColumn->addLayout(captionRow);
    captionColumn->addWidget(pLabelSearchNote);
    gridLayout->addLayout(captionColumn, 0, 1);
    label_2 = Spacer(page, "label_2", 6);
    gridLayout->addWidget(label_2, 1, 1);
    pTableView = new CTableView(page);
    pTableView->setObjectName(QStringLiteral("pTableView"));
    gridLayout->addWidget(pTableView, 2, 1, 4, 1);

    auto* exportRow = new QHBoxLayout();
    exportRow->addStretch(1);
    pBtnExport = new CPushButton(page);
    pBtnExport->setObjectName(QStringLiteral("pBtnExport"));
    pBtnExport->setIcon(QIcon(QStringLiteral(":/images/ButtonIcon/Output.png")));
    pBtnExport->setMinimumSize(120, 50);
    exportRow->addWidget(pBtnExport);
    gridLayout->addLayout(exportRow, 7, 1);

    gridLayout->setRowStretch(2, 1);
    gridLayout->setColumnStretch(1, 1);

    retranslateUi(page);
}

void CViewRecordClass::retranslateUi(QDialog* page)
{
    page->setWindowTitle(QCoreApplication::translate("CViewRecordClass", "CViewRecord"));
    pLabelCameraSel->setText(QCoreApplication::translate("CViewRecordClass", "Cameras"));
    pLabelFileType->setText(QCoreApplication::translate("CViewRecordClass", "Type"));
    pLabelFrom->setText(QCoreApplication::translate("CViewRecordClass", "Start"));
    pLabelTo->setText(QCoreApplication::translate("CViewRecordClass", "End"));
    pBtnSearchRecord->setText(QCoreApplication::translate("CViewRecordClass", "Search"));
    pLabel->setText(QCoreApplication::translate("CViewRecordClass", "Search Result"));
    pLabelNoRecord->setText(
        QCoreApplication::translate("CViewRecordClass", "No record found in this range."));
    pBtnExport->setText(QCoreApplication::translate("CViewRecordClass", "Export File"));
}
