// TEMPORARY stand-in; replaced when the page is built.

#include "pages/log/CSearchLog.h"

#include <QLabel>
#include <QVBoxLayout>

CSearchLog::CSearchLog(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("View Log"), this), 0, Qt::AlignCenter);
}

CSearchLog::~CSearchLog() = default;
