#pragma once

#include "data/ResultSet.h"
#include "users/WindowSharing.h"

#include <QObject>
#include <QStringList>

class KeyedTree;
class QListWidget;
class SharingFrame;
class WindowLister;
struct Workspace;

// Publishes what this user shares of their open application windows through the shared database
// (the titles, the applications' names, or nothing; never a hidden window, nothing during a
// pause) and shows every user's under that user's node in the user tree. Works the "Sharing"
// frame of the Settings page.
class ProcessList : public QObject {
    Q_OBJECT

public:
    // lstTask shows what this desktop shares; userTree shows every user's under the user.
    ProcessList(Workspace& workspace, WindowLister& windows, QListWidget& lstTask,
                KeyedTree& userTree, SharingFrame& frame, QObject* parent = nullptr);

    // Writes the current user's shared windows (only when they changed since they were last
    // written) and brings the window nodes of all users up to date.
    void loadProcessList();
    // The tick's look: the desktop's windows are listed every time, the rows are read again only
    // when they may have moved (rowsMoved) or this user's windows are no longer those last
    // written.
    void refreshProcessList(bool rowsMoved);
    // Adds what is shared of each qualifying window of the desktop to the list.
    void fillWindowList(QListWidget* list);
    // The current user's rows go when the instance closes.
    void deleteOwnRows();

    WindowSharing& sharing() { return m_sharing; }
    // Whether the current user has not chosen what to share yet (a newcomer): nothing is shared
    // until they do, and the Settings page shows the choice.
    bool awaitingChoice() const;

public slots:
    // What the "Sharing" frame's choices do; the rows follow at once.
    void setSharingMode(WindowSharing::Mode mode);
    void setHidePatterns(const QString& patterns);
    // Nothing is shared for the next minutes: this user's rows are removed at once and written
    // again when the pause ends (or on resumeSharing). For the tray menu as for the page.
    void pauseSharing(int minutes);
    void resumeSharing();

signals:
    // A pause began or ended (also when it ran out by itself).
    void sharingPausedChanged(bool paused);

private:
    // Settles an open choice: a user who already has rows in the table keeps sharing titles.
    void settleChoice();
    // What this user shares of the desktop's windows now.
    QStringList sharedTitles();
    // The shared titles, shown in lstTask on their way to the rows.
    QStringList listWindows();
    void loadRows(const QStringList& titles);
    // Writes this user's rows if they differ from the titles; every user's rows as they are then.
    ResultSet writeOwnRows(const QStringList& titles);
    // allProcesses and the window nodes as the rows are.
    void showRows(const ResultSet& rows);
    // The frame as the settings are now.
    void showSharing();
    // The rows as the settings are now.
    void publishNow();

    Workspace& m_work;
    WindowLister& m_windows;
    QListWidget& m_lstTask;
    KeyedTree& m_userTree;
    SharingFrame& m_frame;
    WindowSharing m_sharing;
    bool m_paused = false; // as the frame last showed it
    int m_settledFor = -1; // the user whose open choice was last looked into
    // What the last load left the rows as: for whom, and (when someone is current) their titles.
    bool m_loaded = false;
    int m_loadedFor = -1;
    QStringList m_loadedTitles;
};
