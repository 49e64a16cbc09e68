#pragma once

#include <QTreeWidget>

// The folder list of the browse dialog. It shows the chain of folders from the root down to the
// current folder, then the current folder's subfolders one level deeper, so the user always sees
// where they are and can climb to any parent with a double-click. Folders are read with QDir on
// the calling thread, never in the background, so what the list shows is known as soon as the
// path is set. Hidden folders are left out.
class FolderList : public QTreeWidget {
    Q_OBJECT

public:
    explicit FolderList(QWidget* parent = nullptr);

    QString path() const { return m_path; }
    // The folder of the highlighted entry (a click highlights, a double-click opens), or the
    // current folder when nothing is highlighted.
    QString highlightedPath() const;
    // Goes to path, or to its nearest existing parent when it is missing (a stale setting must
    // not leave the user in an empty list), and emits Change.
    void setPath(const QString& path);

    // The entry of a folder shown in the list (a parent, the current folder or a subfolder),
    // or nullptr.
    QTreeWidgetItem* entryFor(const QString& folder) const;
    // The names of the subfolders shown under the current folder, in their order.
    QStringList subfolders() const;

signals:
    void Change();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Every entry is always open, so expand and collapse marks would only mislead.
    void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}

private:
    void fill();

    QString m_path;
};

// The nearest folder that exists, walking up from path; the root when nothing on the way does.
QString nearestExistingFolder(const QString& path);
// A folder and a name joined by one "/", whether or not the folder already ends with one.
QString joinPath(const QString& folder, const QString& name);
