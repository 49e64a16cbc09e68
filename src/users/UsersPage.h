#pragma once

#include <QWidget>

class KeyedTree;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Page 6 of the main window's tabs: every user with their running tasks and open windows, and
// the editor of the user clicked last.
class UsersPage : public QWidget {
    Q_OBJECT

public:
    explicit UsersPage(QWidget* parent = nullptr);

    KeyedTree* userTree;
    QGroupBox* fraUserDetails; // hidden until a user is shown in it
    QLabel* lblUserName;
    QLineEdit* txtUserName;
    QLabel* lblUserId;
    QLineEdit* txtUserId; // read-only
    QLabel* lblEmail;
    QLineEdit* txtEmail;
    QLabel* lblUserDetails;
    QPlainTextEdit* txtUserDetails;
    QLabel* lblUserCreated;
    QLineEdit* txtUserCreated; // read-only
    QPushButton* cmdSaveUser;
    QPushButton* cmdDeleteUser;
    QPushButton* cmdNewUser; // "New": an empty editor for a user to be added
};
