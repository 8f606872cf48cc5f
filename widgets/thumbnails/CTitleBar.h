#pragma once

// The grey title bar of a collapsible panel: caption on the left, optional extra buttons, and an arrow button
// on the right that asks the owner to expand or collapse the panel. The owner decides what that means.

#include <QFrame>
#include <QIcon>
#include <QMap>

class QHBoxLayout;
class QLabel;
class QPushButton;
class CPushButton;

class CTitleBar : public QFrame
{
    Q_OBJECT

public:
    // The owner gives the bar its height through its geometry; `height` is kept for the callers' symmetry.
    CTitleBar(int height, const QString& caption, uint panelId, QWidget* parent = nullptr);
    ~CTitleBar() override;

    uint GetId() const { return m_nPanelId; }
    // Only the arrow's picture changes.
    void SetExpanded(bool expanded);
    // Buttons appear left of the arrow in the order added; a repeated id replaces the map entry only.
    void AddButton(int buttonId, const QString& text, const QString& toolTip, const QIcon& icon);
    void SetButtonEnabled(int buttonId, bool enabled);

Q_SIGNALS:
    void SignalBtnClicked(int buttonId, uint panelId);
    void SignalDbClicked(uint panelId);
    void SignalEnter();
    void SignalLeave();
    void SignalExpandBtnClicked();

public Q_SLOTS:
    void OnBtnClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    uint m_nPanelId;
    QLabel* m_pLabelCaption;
    QHBoxLayout* m_pLayout;
    CPushButton* m_pBtnExpand;
    QMap<int, QPushButton*> m_mapButtons;
};
