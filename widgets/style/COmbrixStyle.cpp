#include "widgets/style/COmbrixStyle.h"

#include "widgets/GuiUtility.h"

#include <QListView>
#include <QPainter>
#include <QStyleFactory>
#include <QSlider>
#include <QStyleOption>

#include <algorithm>

COmbrixStyle::COmbrixStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Windows"))) {}

COmbrixStyle::~COmbrixStyle() = default;

int COmbrixStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    case PM_SliderLength:
        return 13;
    case PM_TabCloseIndicatorWidth:
    case PM_TabCloseIndicatorHeight:
        return 20;
    case PM_MenuButtonIndicator:
        return 0;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

QSize COmbrixStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                     const QWidget* widget) const
{
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    switch (type) {
    case CT_RadioButton:
        result.rwidth() += 20;
        break;
    case CT_TabBarTab:
        result.setHeight(40);
        break;
    case CT_Slider:
        result.setHeight(10);
        break;
    default:
        break;
    }
    return result;
}

QRect COmbrixStyle::subElementRect(SubElement element, const QStyleOption* option,
                                   const QWidget* widget) const
{
    QRect rect = QProxyStyle::subElementRect(element, option, widget);
    switch (element) {
    case SE_TabBarTabRightButton:
        rect.setLeft(rect.x() + 1 + pixelMetric(PM_TabBarTabVSpace, option, widget));
        rect.setTop(2);
        break;
    case SE_TabBarTabLeftButton:
        rect.setHeight(0);
        break;
    case SE_ItemViewItemCheckIndicator:
        rect.setWidth(16);
        rect.setHeight(16);
        break;
    case SE_ProgressBarGroove:
        rect.setTop(10);
        break;
    default:
        break;
    }
    return rect;
}

QRect COmbrixStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                   SubControl subControl, const QWidget* widget) const
{
    QRect rect = QProxyStyle::subControlRect(control, option, subControl, widget);
    const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control == CC_Slider && slider != nullptr && slider->orientation == Qt::Horizontal) {
        if (subControl == SC_SliderHandle) {
            rect.moveTop(rect.height() / 2 - 4);
            rect.setHeight(10);
        } else if (subControl == SC_SliderGroove) {
            rect.moveTop(rect.height() / 2 - 2);
            rect.setHeight(4);
        }
    }
    return rect;
}

void COmbrixStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const
{
    switch (element) {
    case PE_FrameFocusRect:
    case PE_FrameTabBarBase:
    case PE_IndicatorTabTear:
    case PE_PanelItemViewRow:
        return;
    case PE_IndicatorTabClose:
        // No tab of the program can be closed, and none has a close picture.
        return;
    case PE_PanelItemViewItem:
        // A selected item's text is drawn in the highlighted-text colour: without a highlight under it, that
        // text vanishes on a white list. Only plain lists: tables and trees paint their own selection
        // pictures first, which a fill here would cover.
        if (qstyleoption_cast<const QStyleOptionViewItem*>(option) != nullptr &&
            option->state.testFlag(State_Selected) && qobject_cast<const QListView*>(widget) != nullptr)
            painter->fillRect(option->rect, option->palette.brush(QPalette::Highlight));
        return;
    default:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
}

void COmbrixStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const
{
    switch (element) {
    case CE_TabBarTabShape: {
        const QRect rect = option->rect.adjusted(2, 0, -1, 0);
        const QPixmap picture = LoadCachedPixmap(option->state.testFlag(State_Selected)
                                                     ? QStringLiteral(":/images/Tab/TabSelect.png")
                                                     : QStringLiteral(":/images/Tab/TabUnselect.png"));
        painter->save();
        painter->setPen(Qt::NoPen);
        painter->setBrush(QBrush(picture));
        painter->drawRect(rect);
        painter->restore();
        return;
    }
    case CE_ProgressBarGroove:
        DrawProgressBar(option, painter);
        return;
    case CE_ProgressBarContents:
        return;
    case CE_ShapedFrame:
        if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option)) {
            QStyleOptionFrame copy = *frame;
            if (copy.frameShape == QFrame::StyledPanel) {
                copy.frameShape = QFrame::NoFrame;
                copy.lineWidth = 0;
            }
            QProxyStyle::drawControl(element, &copy, painter, widget);
        }
        return;
    default:
        QProxyStyle::drawControl(element, option, painter, widget);
    }
}

void COmbrixStyle::DrawProgressBar(const QStyleOption* option, QPainter* painter) const
{
    const auto* bar = qstyleoption_cast<const QStyleOptionProgressBar*>(option);
    if (bar == nullptr)
        return;
    const QRect r = bar->rect;
    const QPixmap left = LoadCachedPixmap(QStringLiteral(":images/public/ProgressBar/ProgressBarLeft.png"));
    const QPixmap middle = LoadCachedPixmap(QStringLiteral(":images/public/ProgressBar/ProgressBar.png"));
    const QPixmap right = LoadCachedPixmap(QStringLiteral(":images/public/ProgressBar/ProgressBarRight.png"));
    const QPixmap leftChunk =
        LoadCachedPixmap(QStringLiteral(":images/public/ProgressBar/ProgressBarLeftChunk.png"));
    const QPixmap chunk = LoadCachedPixmap(QStringLiteral(":images/public/ProgressBar/ProgressBarChunk.png"));
    const QPixmap rightChunk =
        LoadCachedPixmap(QStringLiteral(":images/public/ProgressBar/ProgressBarRightChunk.png"));

    painter->drawPixmap(r.x(), r.y(), left);
    painter->drawPixmap(
        QRect(r.x() + left.width(), r.y(), r.width() - right.width() - left.width(), middle.height()),
        middle);
    painter->drawPixmap(r.x() + r.width() - right.width(), r.y(), right);

    const qint64 minimum = bar->minimum;
    const qint64 maximum = bar->maximum;
    const qint64 progress = bar->progress;
    if (maximum <= minimum || progress - minimum < 1 ||
        proxy()->pixelMetric(PM_ProgressBarChunkWidth, bar) == 0)
        return;
    const qint64 avail = r.width() - leftChunk.width() - right.width();
    const qint64 fill = avail * (std::min(progress, maximum) - minimum) / (maximum - minimum);
    painter->drawPixmap(r.x(), r.y(), leftChunk);
    painter->drawPixmap(QRect(r.x() + left.width(), r.y(), int(fill), middle.height()), chunk);
    // The right cap follows the fill in the groove's own coordinates, wherever the groove starts.
    if (progress == maximum)
        painter->drawPixmap(int(r.x() + leftChunk.width() + fill), r.y(), rightChunk);
}

void COmbrixStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                      QPainter* painter, const QWidget* widget) const
{
    const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control == CC_Slider && slider != nullptr && slider->orientation == Qt::Horizontal) {
        DrawSlider(option, painter, widget);
        return;
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

void COmbrixStyle::DrawSlider(const QStyleOptionComplex* option, QPainter* painter,
                              const QWidget* widget) const
{
    const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option);
    const QRect groove = subControlRect(CC_Slider, slider, SC_SliderGroove, widget);
    const QRect handle = subControlRect(CC_Slider, slider, SC_SliderHandle, widget);

    if (groove.isValid() && slider->subControls.testFlag(SC_SliderGroove)) {
        painter->drawPixmap(QRect(groove.x() + 3, groove.y(), groove.width() - 6, groove.height()),
                            LoadCachedPixmap(QStringLiteral(":/images/public/Slider/RightSlider.png")));
        painter->drawPixmap(QRect(groove.x() + 3, groove.y(), handle.left(), groove.height()),
                            LoadCachedPixmap(QStringLiteral(":/images/public/Slider/LeftSlider.png")));
    }
    if (handle.isValid() && slider->subControls.testFlag(SC_SliderHandle))
        painter->drawPixmap(handle.topLeft(),
                            LoadCachedPixmap(QStringLiteral(":/images/public/Slider/RadiobtnOff.png")));
    if (!slider->subControls.testFlag(SC_SliderTickmarks))
        return;

    // Tick marks as the common style draws them, over minimum + 1 to maximum, without one at position 0.
    const int length = proxy()->pixelMetric(PM_SliderLength, slider, widget);
    const int thickness = proxy()->pixelMetric(PM_SliderControlThickness, slider, widget);
    const int available = proxy()->pixelMetric(PM_SliderSpaceAvailable, slider, widget);
    const int offset = proxy()->pixelMetric(PM_SliderTickmarkOffset, slider, widget);
    int interval = slider->tickInterval;
    if (interval <= 0) {
        interval = slider->singleStep;
        if (QStyle::sliderPositionFromValue(slider->minimum, slider->maximum, interval, available) -
                QStyle::sliderPositionFromValue(slider->minimum, slider->maximum, 0, available) <
            3)
            interval = slider->pageStep;
    }
    if (interval <= 0)
        interval = 1;
    painter->save();
    painter->translate(slider->rect.x(), slider->rect.y());
    painter->setPen(slider->palette.windowText().color());
    const int ticks = slider->tickPosition;
    for (int value = slider->minimum + 1; value <= slider->maximum; value += interval) {
        int pos = QStyle::sliderPositionFromValue(slider->minimum + 1, slider->maximum, value, available,
                                                  slider->upsideDown);
        if (pos == 0)
            continue;
        pos += length / 2;
        if (ticks & QSlider::TicksAbove)
            painter->drawLine(pos, 10, pos, offset);
        if (ticks & QSlider::TicksBelow)
            painter->drawLine(pos, offset + thickness - 4, pos, offset + thickness + 1);
        if (value > slider->maximum - interval)
            break; // no overflow past the maximum
    }
    painter->restore();
}
