#pragma once

// A combo box whose pop-up is a file or folder picker: the chosen path becomes its only item and its tool
// tip. Only its arrow (the right 23 pixels) opens the picker.

#include <QComboBox>

class CPathComboBox : public QComboBox
{
    Q_OBJECT

public:
    enum MODE
    {
        ModeSaveFile = 0,
        ModeOpenFile = 1,
        ModeDirectory = 2,
        ModeOpenFiles = 3
    };

    explicit CPathComboBox(QWidget* parent = nullptr);
    ~CPathComboBox() override;

    void SetMode(int mode);
    void SetCaption(const QString& caption);
    void SetFilter(const QString& filter);

    // The extension a file filter names, such as ".xml" for "XML(*.xml)"; empty when it names none.
    static QString ExtensionOfFilter(const QString& filter);
    // The name with the filter's extension appended unless it already ends with it (case-sensitive).
    static QString CompleteFileName(const QString& name, const QString& filter);

    static constexpr int kArrowWidth = 23;

    void showPopup() override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetPath(const QString& path);

    int m_mode = ModeSaveFile;
    QString m_caption;
    QString m_filter;
};
