#include "users/UserList.h"

#include "app/frmMain.h"

UserList::UserList(frmMain& main, UsersPage& page)
    : QObject(&main)
    , m_main(main)
    , m_page(page) {}

void UserList::loadUserList() {}
void UserList::refreshUserList() {}
void UserList::setCurrentUser() {}
void UserList::setUserActive(int, bool) {}
user* UserList::getUserById(int) const {
    return nullptr;
}
user* UserList::getUserByName(const QString&) {
    return nullptr;
}
void UserList::loadUserAttributes(user*) {}
void UserList::cboUser_LostFocus() {}
void UserList::userTree_NodeClick(TreeNode*) {}
void UserList::cmdSaveUser_Click() {}
void UserList::cmdDeleteUser_Click() {}
