#include "app/PictureButtonActions.h"

#include "app/frmHelp.h"
#include "app/frmMain.h"
#include "categories/CategoryEditor.h"
#include "categories/CategoryEditorPage.h"
#include "data/NameText.h"
#include "platform/FolderOpener.h"
#include "platform/Messages.h"
#include "users/UserList.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

PictureButtonActions::PictureButtonActions(frmMain& window)
    : m_window(window) {}

void PictureButtonActions::click(int index) {
    category* chosen = m_window.state().selectedCategory;
    switch (index) {
    case 0:
        m_window.selectTab(Shell::CategoryTab);
        m_window.categoryEditor().showCategoryProperties(chosen);
        break;
    case 1:
        m_window.selectTab(Shell::CategoryTab);
        m_window.categoryEditor().clearCategoryAttributes();
        m_window.categoryPage->txtCategory->setFocus();
        break;
    case 2:
        if (chosen != nullptr && !chosen->folder.isEmpty()) {
            openTaskFolder(*chosen);
        }
        break;
    case 3:
        if (chosen != nullptr) {
            UserList& users = m_window.userList();
            if (user* manager = users.getUserById(chosen->ownerUserId); manager != nullptr) {
                users.loadUserAttributes(manager);
            }
        }
        break;
    case 4:
        showHelp();
        break;
    default:
        break;
    }
}

void PictureButtonActions::showHelp() {
    if (!m_help) {
        m_help = new frmHelp(&m_window);
    }
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void PictureButtonActions::openTaskFolder(const category& chosen) {
    Messages& messages = m_window.messages();
    const QString shown = QDir::toNativeSeparators(chosen.folder);
    if (!QFileInfo(chosen.folder).isDir()) {
        m_window.buttonVisible(2, false); // shown only while the folder is there
        messages.show(frmMain::tr("The folder %1 of %2 is not there any more.")
                          .arg(NameText::isolated(shown), NameText::isolated(chosen.categoryName)),
                      frmMain::tr("Open Task Folder"), Messages::Buttons::Ok,
                      Messages::Icon::Warning);
        return;
    }
    if (!m_window.folders().openFolder(chosen.folder)) {
        messages.show(frmMain::tr("The folder %1 could not be opened: this computer has no "
                                  "program to show folders with (a file manager, started "
                                  "through xdg-open).")
                          .arg(NameText::isolated(shown)),
                      frmMain::tr("Open Task Folder"), Messages::Buttons::Ok,
                      Messages::Icon::Warning);
    }
}
