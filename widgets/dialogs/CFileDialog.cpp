#include "widgets/dialogs/CFileDialog.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStyle>

#include <memory>

namespace {
// The toolkit's file list names its kinds of entry in this context, and the toolkit's own Chinese catalogue
// leaves them out: the program's catalogue carries them, and these marks keep them there when texts are
// gathered.
[[maybe_unused]] const char* const kFileKindTexts[] = {
    QT_TRANSLATE_NOOP("QAbstractFileIconProvider", "Drive"),
    QT_TRANSLATE_NOOP("QAbstractFileIconProvider", "Folder"),
    QT_TRANSLATE_NOOP("QAbstractFileIconProvider", "File"),
    QT_TRANSLATE_NOOP("QAbstractFileIconProvider", "%1 File"),
};
// Names and draws each entry of the list from its name and what the listing's look at it gave, never from
// its content. The toolkit's own provider opens each file to read its first bytes: the open of the station's
// database, and its close, end every lock this process holds on that file (the system ends them all at any
// close of it), so another client's look at the database would then remove its journal under the running
// station; and the open of a file on a volume that went silent waits with it.
class CNameOnlyIconProvider : public QAbstractFileIconProvider
{
public:
    // The icons are made here, on the window's thread: the list asks for them on a thread of its own.
    CNameOnlyIconProvider()
        : m_drive(QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon)),
          m_folder(QApplication::style()->standardIcon(QStyle::SP_DirIcon)),
          m_file(QApplication::style()->standardIcon(QStyle::SP_FileIcon))
    {
    }

    QIcon icon(const QFileInfo& info) const override
    {
        if (info.isRoot())
            return m_drive;
        return info.isDir() ? m_folder : m_file;
    }

    QString type(const QFileInfo& info) const override
    {
        if (info.isRoot())
            return QApplication::translate("QAbstractFileIconProvider", "Drive");
        if (info.isDir())
            return QApplication::translate("QAbstractFileIconProvider", "Folder");
        const QString suffix = info.suffix();
        if (suffix.isEmpty())
            return QApplication::translate("QAbstractFileIconProvider", "File");
        return QApplication::translate("QAbstractFileIconProvider", "%1 File").arg(suffix);
    }

private:
    QIcon m_drive;
    QIcon m_folder;
    QIcon m_file;
};

} // namespace

CFileDialog::CFileDialog(QWidget* parent) : CBaseDialog(parent, false, false, false)
{
    ShowCloseBtn(true);
    // The toolkit's picker decides what Return chooses: with no name given its Save stays greyed, and
    // Return in its type or places list chooses nothing.
    LeaveAcceptKeysToContent();
    setStyleSheet(styleSheet() +
                  QStringLiteral("QListView::item:hover,QFileDialogTreeView::item:hover     {         "
                                 "background-color:rgb(251,251,194);        color:rgb(0,0,0);    }     "
                                 "QListView::item:selected,QFileDialogTreeView::item:selected    {         "
                                 "background-color:rgb(238,238,238);        color:rgb(0,0,0);    } "));
    resize(600, 400);
}

CFileDialog::~CFileDialog() = default;

QString CFileDialog::StartDirectory(const QString& dir)
{
    if (!dir.isEmpty()) {
        const QFileInfo info(QDir::current(), dir);
        if (info.isDir())
            return QDir::cleanPath(info.absoluteFilePath());
        const QDir parent = info.absoluteDir();
        if (parent.exists())
            return parent.absolutePath();
    }
    return QDir::currentPath();
}

QStringList CFileDialog::Pick(PICK kind, QWidget* parent, const QString& caption, const QString& dir,
                              const QString& filter, const QString& fileName, QString* selectedFilter,
                              QFileDialog::Options options)
{
    // Outlives the box, which owns the picker that uses it.
    CNameOnlyIconProvider names;
    CFileDialog box(parent);
    // Made without a parent, then put into the box's content frame, which owns it from there.
    auto* picker = new QFileDialog;
    picker->setOption(QFileDialog::DontUseNativeDialog);
    picker->setIconProvider(&names);
    box.SetTitle(caption);
    box.SetContentWidget(picker);
    picker->setDirectory(StartDirectory(dir));
    if (kind != PICK::Directory)
        picker->setNameFilter(filter);
    if (kind == PICK::SaveFile)
        picker->selectFile(fileName);
    picker->setOptions(options | QFileDialog::DontConfirmOverwrite | QFileDialog::ReadOnly |
                       QFileDialog::DontUseNativeDialog);
    switch (kind) {
    case PICK::OpenFile:
        picker->setFileMode(QFileDialog::ExistingFile);
        break;
    case PICK::SaveFile:
        picker->setFileMode(QFileDialog::AnyFile);
        picker->setAcceptMode(QFileDialog::AcceptSave);
        break;
    case PICK::Directory:
        picker->setFileMode(QFileDialog::Directory);
        break;
    case PICK::OpenFiles:
        picker->setFileMode(QFileDialog::ExistingFiles);
        break;
    }
    connect(picker, &QDialog::accepted, &box, &QDialog::accept);
    connect(picker, &QDialog::rejected, &box, &QDialog::reject);
    if (selectedFilter != nullptr && !selectedFilter->isEmpty())
        picker->selectNameFilter(*selectedFilter);
    if (box.exec() != QDialog::Accepted)
        return {};
    if (selectedFilter != nullptr)
        *selectedFilter = picker->selectedNameFilter();
    return ChosenOnly(kind, picker->selectedFiles());
}

QStringList CFileDialog::ChosenOnly(PICK kind, const QStringList& selected)
{
    // With no name given the toolkit reports the folder it shows: a file picker ended any other way than by
    // its own Save or Open must not hand that folder (or a name ending in '/') on as the file to write.
    QStringList chosen;
    for (const QString& path : selected) {
        if (path.isEmpty())
            continue;
        if (kind != PICK::Directory && (path.endsWith(QLatin1Char('/')) || QFileInfo(path).isDir()))
            continue;
        chosen << path;
    }
    return chosen;
}

QString CFileDialog::GetOpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                                     const QString& filter, QString* selectedFilter,
                                     QFileDialog::Options options)
{
    return Pick(PICK::OpenFile, parent, caption, dir, filter, QString(), selectedFilter, options).value(0);
}

QString CFileDialog::GetSaveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                     const QString& filter, const QString& fileName, QString* selectedFilter,
                                     QFileDialog::Options options)
{
    return Pick(PICK::SaveFile, parent, caption, dir, filter, fileName, selectedFilter, options).value(0);
}

QString CFileDialog::GetExistingDirectory(QWidget* parent, const QString& caption, const QString& dir,
                                          QFileDialog::Options options)
{
    return Pick(PICK::Directory, parent, caption, dir, QString(), QString(), nullptr, options).value(0);
}

QStringList CFileDialog::GetOpenFileNames(QWidget* parent, const QString& caption, const QString& dir,
                                          const QString& filter, QString* selectedFilter,
                                          QFileDialog::Options options)
{
    return Pick(PICK::OpenFiles, parent, caption, dir, filter, QString(), selectedFilter, options);
}
