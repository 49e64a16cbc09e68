#pragma once

#include <QDialog>
#include <QStringList>

class FolderList;
class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// The modal folder and file picker. It writes the chosen path straight into the caller's text
// box on Select and leaves it alone on Cancel. Positions and sizes are computed by setupScreen
// and the per-mode placement, not by a layout, because the two modes share one set of controls
// and differ only in what is shown and how wide the window is.
class frmBrowse : public QDialog {
    Q_OBJECT

public:
    // ownFolder is the program's own folder, the start of folder mode when the target names no
    // existing folder.
    explicit frmBrowse(const QString& ownFolder, QWidget* parent = nullptr);

    // Modal. On Select the result is written into objTarget's text and true is returned; on
    // Cancel objTarget is left as it was and false is returned.
    bool folderBrowse(QLineEdit* objTarget);
    bool fileBrowse(QLineEdit* objTarget, const QString& defaultPath, const QString& filter);

    // The set-up of each mode without showing the dialog.
    void prepareFolderBrowse(QLineEdit* objTarget);
    void prepareFileBrowse(QLineEdit* objTarget, const QString& defaultPath, const QString& filter);

    // File mode only: also offer a new file at suggestedPath (editable), for when the user has
    // no file to pick yet. Call before fileBrowse.
    void offerNewFile(const QString& suggestedPath);
    // Whether the dialog was closed with cmdNew, so the file named in the target is still to be
    // made.
    bool newFileChosen() const { return m_newFileChosen; }

    void setupScreen();

    QString currentFolder() const;
    void setCurrentFolder(const QString& path);

    QComboBox* driveList;
    FolderList* dirList;
    QListWidget* fileList;
    QPushButton* cmdSelect;
    QPushButton* cmdCancel;
    QLineEdit* txtNewFile;
    QPushButton* cmdNew;

public slots:
    void driveList_Change();
    void dirList_Change();
    void cmdSelect_Click();
    void cmdCancel_Click();
    void cmdNew_Click();

private:
    void placeForMode();
    void fillDriveList();
    void showDriveOf(const QString& folder);
    void fileList_DblClick(QListWidgetItem* item);
    void start(QLineEdit* objTarget, const QString& caption, const QString& type);

    QString m_ownFolder;
    QLineEdit* targetControl = nullptr;
    QString browseType;
    QStringList m_patterns;
    bool m_newFileOffered = false;
    bool m_newFileChosen = false;
};
