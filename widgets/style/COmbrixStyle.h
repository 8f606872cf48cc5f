#pragma once

// The application's style: tabs, progress bars and horizontal sliders drawn from the program's pictures, no
// focus rectangles, and everything else as the toolkit's classic Windows style draws it. The style sheet is
// drawn on top of it.

#include <QProxyStyle>

class COmbrixStyle : public QProxyStyle
{
    Q_OBJECT

public:
    COmbrixStyle();
    ~COmbrixStyle() override;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option,
                         const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
                         const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget = nullptr) const override;

private:
    void DrawProgressBar(const QStyleOption* option, QPainter* painter) const;
    void DrawSlider(const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const;
};
