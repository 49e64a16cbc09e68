#pragma once

#include <QPointer>

class category;
class frmHelp;
class frmMain;

// What the picture buttons under the header do: the chosen category's properties, a new
// category, its task folder, its owner's details, and the help window.
class PictureButtonActions {
public:
    explicit PictureButtonActions(frmMain& window);

    void click(int index);

private:
    // "Open Task Folder", or why it cannot.
    void openTaskFolder(const category& chosen);
    // One help window: a second click brings it forward.
    void showHelp();

    frmMain& m_window;
    QPointer<frmHelp> m_help;
};
