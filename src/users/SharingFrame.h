#pragma once

#include <QGroupBox>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The "Sharing" frame of the Settings page: what this user's instance shows the team of the
// windows open on their desktop, the windows it never shows, and a pause. Its behaviour is the
// process list's (ProcessList).
class SharingFrame : public QGroupBox {
    Q_OBJECT

public:
    explicit SharingFrame(QWidget* parent = nullptr);

    QLabel* lblShareWindows;            // "Share my open windows:"
    QRadioButton* optShareTitles;       // "Window titles"
    QRadioButton* optShareApplications; // "Application names only"
    QRadioButton* optShareNothing;      // "Nothing"
    QButtonGroup* shareChoice;          // the three above, by mode
    QLabel* lblSharingWho;              // who sees what is shared
    QLabel* lblHideWindows;             // "Hide windows whose title matches"
    QLineEdit* txtHideWindows;          // patterns, ';' between them
    QComboBox* cboPauseSharing;         // how long a pause lasts (minutes as item data)
    QPushButton* cmdPauseSharing;       // "Pause sharing"
    QPushButton* cmdResumeSharing;      // "Resume sharing"
    QLabel* lblSharingPaused;           // until when sharing is paused
};
