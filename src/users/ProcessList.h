#pragma once

#include <QObject>

class frmMain;
class QListWidget;

// Publishes the titles of this user's open application windows and shows every user's.
class ProcessList : public QObject {
    Q_OBJECT

public:
    explicit ProcessList(frmMain& main);

    // Rewrites the current user's process rows and rebuilds the window nodes of all users.
    void loadProcessList();
    // Adds the title of every qualifying window of the desktop to the list.
    void fillWindowList(QListWidget* list);
    // The current user's rows go when the instance closes.
    void deleteOwnRows();

private:
    frmMain& m_main;
};
