#include "widgets/calendar/CListWidget.h"

CListWidget::CListWidget(QWidget* parent) : QListWidget(parent) {}

CListWidget::~CListWidget() = default;
