#pragma once

// File and folder pickers: the toolkit's own file dialog inside a frameless dialog of the program, so every
// picker looks like the rest of the program. An empty result means no choice.

#include "widgets/dialogs/CBaseDialog.h"

#include <QFileDialog>

class CFileDialog : public CBaseDialog
{
    Q_OBJECT

public:
    explicit CFileDialog(QWidget* parent = nullptr);
    ~CFileDialog() override;

    static QString GetOpenFileName(QWidget* parent = nullptr, const QString& caption = QString(),
                                   const QString& dir = QString(), const QString& filter = QString(),
                                   QString* selectedFilter = nullptr, QFileDialog::Options options = {});
    static QString GetSaveFileName(QWidget* parent = nullptr, const QString& caption = QString(),
                                   const QString& dir = QString(), const QString& filter = QString(),
                                   const QString& fileName = QString(), QString* selectedFilter = nullptr,
                                   QFileDialog::Options options = {});
    static QString GetExistingDirectory(QWidget* parent = nullptr, const QString& caption = QString(),
                                        const QString& dir = QString(),
                                        QFileDialog::Options options = QFileDialog::ShowDirsOnly);
    static QStringList GetOpenFileNames(QWidget* parent = nullptr, const QString& caption = QString(),
                                        const QString& dir = QString(), const QString& filter = QString(),
                                        QString* selectedFilter = nullptr, QFileDialog::Options options = {});

    // Where a picker opens for `dir`: that directory, else the directory holding it, else the current one.
    static QString StartDirectory(const QString& dir);

private:
    enum class PICK
    {
        OpenFile,
        SaveFile,
        Directory,
        OpenFiles
    };
    static QStringList Pick(PICK kind, QWidget* parent, const QString& caption, const QString& dir,
                            const QString& filter, const QString& fileName, QString* selectedFilter,
                            QFileDialog::Options options);
    // The names of `selected` that the picker of `kind` may give: never an empty one, and for a file
    // picker never a folder.
    static QStringList ChosenOnly(PICK kind, const QStringList& selected);
};
