// TEMPORARY stand-in; replaced when the page is built.

#include "pages/record/CViewRecord.h"

#include <QLabel>
#include <QVBoxLayout>

CViewRecord::CViewRecord(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("View Record File"), this), 0, Qt::AlignCenter);
}

CViewRecord::~CViewRecord() = default;

void CViewRecord::ResetGroup() {}
