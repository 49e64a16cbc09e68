#pragma once

#include "platform/Messages.h"

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The one window of a first start: where the database is (a new file here, an existing file, or
// a team's server), the person's name and what they work on first. Enter accepts what is shown;
// the suggestions alone make a working start. What is wrong with the answer is said by the
// caller, which shows the window again with it.
class frmWelcome : public QDialog {
    Q_OBJECT

public:
    // ownFolder is where the file picker starts.
    frmWelcome(const Messages::FirstStart& suggested, QString ownFolder, QWidget* parent = nullptr);

    // What the window holds now; a server's password goes into its address.
    Messages::FirstStart answer() const;

    // The name of the person using this account: the full name of the password database, or
    // the login name.
    static QString accountName();

    QRadioButton* optNewDatabase;
    QLineEdit* txtNewDatabase;
    QRadioButton* optOpenDatabase;
    QLineEdit* txtOpenDatabase;
    QPushButton* cmdBrowseDatabase;
    QRadioButton* optServer;
    QLineEdit* txtServerAddress;
    QLineEdit* txtServerPassword;
    QLineEdit* txtYourName;
    QLineEdit* txtFirstCategory;
    QPushButton* cmdStart;

private:
    // Places the controls; the choice of place starts at place. The buttons, for their signals.
    QDialogButtonBox* layOut(Messages::FirstStart::Place place);
    // The boxes filled with what is suggested.
    void fill(const Messages::FirstStart& suggested);
    void showChoice();
    void browse();

    QString m_ownFolder;
};
