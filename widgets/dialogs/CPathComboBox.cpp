#include "widgets/dialogs/CPathComboBox.h"

#include "widgets/dialogs/CFileDialog.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

CPathComboBox::CPathComboBox(QWidget* parent) : QComboBox(parent) {}

CPathComboBox::~CPathComboBox() = default;

void CPathComboBox::SetMode(int mode)
{
    m_mode = mode;
    setToolTip(currentText());
}

void CPathComboBox::SetCaption(const QString& caption)
{
    m_caption = caption;
}

void CPathComboBox::SetFilter(const QString& filter)
{
    m_filter = filter;
}

QString CPathComboBox::ExtensionOfFilter(const QString& filter)
{
    const qsizetype star = filter.indexOf(QLatin1Char('*'));
    if (star < 0)
        return QString();
    const QString rest = filter.mid(star + 1);
    qsizetype end = rest.indexOf(QLatin1Char(' '));
    if (end < 0)
        end = rest.indexOf(QLatin1Char(')'));
    return end < 0 ? rest : rest.left(end);
}

QString CPathComboBox::CompleteFileName(const QString& name, const QString& filter)
{
    const QString extension = ExtensionOfFilter(filter);
    if (!extension.isEmpty() && !name.endsWith(extension, Qt::CaseSensitive))
        return name + extension;
    return name;
}

void CPathComboBox::SetPath(const QString& path)
{
    clear();
    addItem(path);
    setToolTip(path);
}

void CPathComboBox::mousePressEvent(QMouseEvent* event)
{
    // Only the arrow opens the picker; a click on the text does nothing.
    if (event->position().x() >= width() - kArrowWidth)
        QComboBox::mousePressEvent(event);
}

void CPathComboBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && lineEdit() != nullptr)
        return;
    QComboBox::keyPressEvent(event);
}

void CPathComboBox::showPopup()
{
    const QString start = currentText().isEmpty() ? QStringLiteral(".") : currentText();
    switch (m_mode) {
    case ModeSaveFile: {
        const QString name =
            CFileDialog::GetSaveFileName(this, m_caption, start, m_filter, QString(), nullptr, {});
        if (name.isNull())
            return;
        SetPath(CompleteFileName(name, m_filter));
        return;
    }
    case ModeOpenFile: {
        const QString name = CFileDialog::GetOpenFileName(this, m_caption, start, m_filter, nullptr,
                                                          QFileDialog::DontUseNativeDialog);
        if (name.isNull())
            return;
        SetPath(name);
        return;
    }
    case ModeDirectory: {
        if (m_caption.isEmpty())
            m_caption = tr("Select Directory");
        QString path = CFileDialog::GetExistingDirectory(this, m_caption, start, QFileDialog::ShowDirsOnly);
        if (path.isNull())
            return;
        if (!path.endsWith(QLatin1Char('/')))
            path += QLatin1Char('/');
        SetPath(path);
        return;
    }
    case ModeOpenFiles: {
        const QStringList names =
            CFileDialog::GetOpenFileNames(this, m_caption, start, m_filter, nullptr, {});
        if (names.isEmpty())
            return;
        clear();
        addItems(names);
        return;
    }
    default:
        return;
    }
}
