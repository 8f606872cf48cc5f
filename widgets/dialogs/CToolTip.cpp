#include "widgets/dialogs/CToolTip.h"

#include "widgets/ScreenPlacement.h"
#include "widgets/dialogs/CToolLabel.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void CToolTip::ShowText(const QPoint& pos, const QString& text, QWidget* w, const QRect& rect)
{
    CToolLabel* tip = CToolLabel::Instance();
    if (tip != nullptr && tip->isVisible()) {
        if (text.isEmpty()) {
            tip->hideTip();
            return;
        }
        const QPoint local = w != nullptr ? w->mapFromGlobal(pos) : pos;
        if (tip->tipChanged(local, text, w)) {
            tip->reuseTip(text);
            tip->setTipRect(w, rect);
            tip->placeTip(pos, w);
        }
        return;
    }
    if (text.isEmpty())
        return;
    // A tool-tip window of its own (no parent): it deletes itself when it expires or is replaced.
    tip = new CToolLabel(text, nullptr);
    const QList<QScreen*> screens = QGuiApplication::screens();
    const int screen = CToolLabel::getTipScreen(pos, w);
    if (screen >= 0 && screen < screens.size())
        tip->setScreen(screens.at(screen));
    tip->setTipRect(w, rect);
    tip->placeTip(pos, w);
    tip->setObjectName(QStringLiteral("ctooltip_label"));
    tip->show();
}

void CToolTip::ShowText(const QPoint& pos, const QString& text, QWidget* w)
{
    ShowText(pos, text, w, QRect());
}

void CToolTip::ShowTextAt(QWidget* field, const QString& text, QWidget* w)
{
    ShowText(WidgetPosOnScreen(field), text, w);
}

void CToolTip::HideText()
{
    CToolLabel* tip = CToolLabel::Instance();
    if (tip != nullptr && tip->isVisible())
        tip->hide();
}

bool CToolTip::IsVisible()
{
    CToolLabel* tip = CToolLabel::Instance();
    return tip != nullptr && tip->isVisible();
}

QString CToolTip::Text()
{
    CToolLabel* tip = CToolLabel::Instance();
    return tip != nullptr ? tip->text() : QString();
}

QPalette CToolTip::Palette()
{
    return CToolLabel::BubblePalette();
}

void CToolTip::SetPalette(const QPalette& palette)
{
    CToolLabel::BubblePalette() = palette;
    if (CToolLabel* tip = CToolLabel::Instance())
        tip->setPalette(palette);
}

QFont CToolTip::Font()
{
    return QApplication::font("CToolLabel");
}

void CToolTip::SetFont(const QFont& font)
{
    QApplication::setFont(font, "CToolLabel");
}
