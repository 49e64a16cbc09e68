#pragma once

#include "data/ResultSet.h"

#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

class QComboBox;
struct Workspace;
class TreeNode;
class user;
class users;
class UsersPage;

// The current user, the user tree and lists, the users' active flags and the user editor.
class UserList : public QObject {
    Q_OBJECT

public:
    // cboUser is the Settings page's user box; cboUserProductivity and cboCategoryOwner the user
    // lists of the Productivity and Category pages.
    UserList(Workspace& workspace, UsersPage& page, QComboBox& cboUser,
             QComboBox& cboUserProductivity, QComboBox& cboCategoryOwner,
             QObject* parent = nullptr);
    ~UserList() override;

    // Rebuilds allUsers, the user tree and the three user lists, chooses the current user from
    // the "User" setting (or the last user) and makes it current.
    void loadUserList();
    // How many times the list was loaded: each load clears the tree and the collection.
    int loads() const { return m_loads; }
    // Re-reads every loaded user and colours the active and current users' nodes. Users added
    // by another instance are added to the tree and the lists.
    void refreshUserList();
    // Makes the user named in cboUser current, or offers to create that user.
    void setCurrentUser();
    void setUserActive(int userId, bool active);
    // Start-up reads everything it needs before it writes anything: while held, marking the
    // current user present waits, and is written when the hold ends (forgotten when start-up
    // failed).
    enum class HoldEnd { Write, Forget };
    void holdPresence();
    void endPresenceHold(HoldEnd end);
    // Whether this run has marked anyone present, so that there is presence to take back.
    bool presenceWritten() const { return m_presenceWritten; }
    user* getUserById(int userId) const;
    // The first loaded user with exactly this name. When there is none the window is locked on
    // the Settings page and the user told so.
    user* getUserByName(const QString& userName);
    // Shows a user in the editor and brings the Users page forward.
    void loadUserAttributes(user* thisUser);

    void cboUser_LostFocus();
    void userTree_NodeClick(TreeNode* node);
    void cmdSaveUser_Click();
    void cmdDeleteUser_Click();
    // "New": clears the editor for a user to be added.
    void cmdNewUser_Click();

signals:
    // currentUser is another user now, or nobody.
    void currentUserChanged();
    // allUsers and the user tree were loaded afresh: the tasks' nodes under the users are gone.
    void usersReloaded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void lockOnSettings();
    void addArrivedUsers(std::vector<Row>& rows);

    Workspace& m_work;
    UsersPage& m_page;
    QComboBox& m_cboUser;
    QComboBox& m_cboUserProductivity;
    QComboBox& m_cboCategoryOwner;
    bool m_settingUser = false;
    bool m_presenceHeld = false;
    std::optional<int> m_presenceOwed;
    bool m_presenceWritten = false;
    int m_loads = 0;
};
