#pragma once

// One channel thumbnail: a picture file (or the built-in default picture while the file is missing), the
// number its list gave it, a yellow border when selected and a small turning overlay while a picture is
// fetched.

#include <QLabel>
#include <QSize>

class CPicLabel : public QLabel
{
    Q_OBJECT

public:
    explicit CPicLabel(QWidget* parent = nullptr);
    ~CPicLabel() override;

    // Shows the file at `path`, or the default picture when there is no such file.
    void SetPicInfo(uint id, const QString& path);
    uint GetId() const { return m_nId; }
    // The path last given to SetPicInfo when its file existed, else empty.
    QString GetPicPath() const { return m_strPicPath; }
    // Always true; the label repaints only when the state changes.
    bool SetSelected(bool on);
    bool IsSelected() const { return m_bSelected; }
    // 0 removes the overlay; any other step shows frame 8 - (step mod 8), so a growing counter turns it.
    void SetLoadingStep(int step);

Q_SIGNALS:
    void SignalDoubleClicked(uint id);
    void SignalPicLabelClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowDefaultPicture();
    void LoadPicture();

    uint m_nId = 0;
    QString m_strPicPath;
    QLabel* m_pLabelPic;
    QLabel* m_pLabelLoading = nullptr;
    bool m_bSelected = false;
    QSize m_decodedSize; // the size the shown picture was decoded at; invalid for the default picture
};
