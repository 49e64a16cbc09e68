#pragma once

#include <QObject>
#include <QStringList>

class frmMain;
class QListWidget;

// Publishes the titles of this user's open application windows through the shared database and
// shows every user's under that user's node in the user tree.
class ProcessList : public QObject {
    Q_OBJECT

public:
    explicit ProcessList(frmMain& main);

    // Writes the current user's window titles (only when they changed since they were last
    // written) and brings the window nodes of all users up to date.
    void loadProcessList();
    // Adds the title of every qualifying window of the desktop to the list.
    void fillWindowList(QListWidget* list);
    // The current user's rows go when the instance closes.
    void deleteOwnRows();

private:
    void rebuildNodes();

    frmMain& m_main;
};
