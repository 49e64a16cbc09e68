#pragma once

#include <QObject>
#include <QString>

class frmMain;
class TreeNode;
class user;
class UsersPage;

// The current user, the user tree and lists, the users' active flags and the user editor.
class UserList : public QObject {
    Q_OBJECT

public:
    UserList(frmMain& main, UsersPage& page);

    void loadUserList();
    void refreshUserList();
    void setCurrentUser();
    void setUserActive(int userId, bool active);
    user* getUserById(int userId) const;
    // Locks the tabs on Settings and says so when no loaded user has this name.
    user* getUserByName(const QString& userName);
    void loadUserAttributes(user* thisUser);

    void cboUser_LostFocus();
    void userTree_NodeClick(TreeNode* node);
    void cmdSaveUser_Click();
    void cmdDeleteUser_Click();

private:
    frmMain& m_main;
    UsersPage& m_page;
};
