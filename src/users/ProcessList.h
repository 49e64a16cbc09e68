#pragma once

#include <QObject>
#include <QStringList>

class KeyedTree;
class QListWidget;
class WindowLister;
struct Workspace;

// Publishes the titles of this user's open application windows through the shared database and
// shows every user's under that user's node in the user tree.
class ProcessList : public QObject {
    Q_OBJECT

public:
    // lstTask holds this desktop's window titles; userTree shows every user's under the user.
    ProcessList(Workspace& workspace, WindowLister& windows, QListWidget& lstTask,
                KeyedTree& userTree, QObject* parent = nullptr);

    // Writes the current user's window titles (only when they changed since they were last
    // written) and brings the window nodes of all users up to date.
    void loadProcessList();
    // The tick's look: the desktop's windows are listed every time, the rows are read again only
    // when they may have moved (rowsMoved) or this user's windows are no longer those last
    // written.
    void refreshProcessList(bool rowsMoved);
    // Adds the title of every qualifying window of the desktop to the list.
    void fillWindowList(QListWidget* list);
    // The current user's rows go when the instance closes.
    void deleteOwnRows();

private:
    void rebuildNodes();
    // Fills the window list and returns what it shows.
    QStringList listWindows();
    void loadRows(const QStringList& titles);

    Workspace& m_work;
    WindowLister& m_windows;
    QListWidget& m_lstTask;
    KeyedTree& m_userTree;
    // What the last load left the rows as: for whom, and (when someone is current) their titles.
    bool m_loaded = false;
    int m_loadedFor = -1;
    QStringList m_loadedTitles;
};
