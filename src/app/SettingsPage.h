#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class SharingFrame;

// Page 2 of the main window's tabs: the tray icon, the database file, the reminder frequency,
// the question about idle time, what is shared of the open windows and the current user. The only
// page left enabled while no user is chosen.
class SettingsPage : public QWidget {
    Q_OBJECT

public:
    explicit SettingsPage(QWidget* parent = nullptr);

    QGroupBox* fraDisplaySettings; // "Display"
    QCheckBox* chkTaskBar;

    QGroupBox* fraDatabase;
    QLineEdit* txtDatabasePath;
    QPushButton* cmdBrowse_1;
    QLabel* lblDatabaseTips;

    QGroupBox* fraReminders;
    QLabel* lblFrequency;        // "Show a reminder every"
    QLineEdit* txtFrequency;     // in the gap of the sentence
    QLabel* lblFrequencyMinutes; // "minutes"

    QGroupBox* fraIdle;         // "Idle"
    QCheckBox* chkIdle;         // "Ask about idle time after"
    QLineEdit* txtIdleMinutes;  // in the gap of the sentence
    QLabel* lblIdleMinutes;     // "minutes"
    QLabel* lblIdleUnavailable; // why the question is off, when the desktop cannot tell

    SharingFrame* fraSharing; // "Sharing": what the team sees of this user's open windows

    QGroupBox* fraUser;
    QLabel* lblCurrentUser;
    QComboBox* cboUser; // editable: a typed name that is not listed is offered for creation
};
