#pragma once

#include <QWidget>

class ClickableLabel;
class KeyedTree;
class QGroupBox;
class QLabel;
class QPushButton;

// Page 5 of the main window's tabs: the current user's notifications grouped by status, and
// the details of the one clicked last. The category, sender and addressee are links.
class NotificationsPage : public QWidget {
    Q_OBJECT

public:
    explicit NotificationsPage(QWidget* parent = nullptr);

    KeyedTree* notificationTree;
    QGroupBox* fraNotificationAttributes; // hidden until a notification is clicked
    ClickableLabel* lblNotificationCategory;
    ClickableLabel* lblFrom;
    ClickableLabel* lblTo;
    QLabel* lblDate;
    QLabel* lblStatusDate;
    QLabel* lblNotificationMessage;
    QPushButton* cmdDeleteNotification;
};
