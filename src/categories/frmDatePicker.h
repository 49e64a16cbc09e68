#pragma once

#include <QDateTime>
#include <QDialog>

class QCalendarWidget;
class QLineEdit;
class QPushButton;

// The modal date picker. On Ok (or a double-click on a day) it writes the chosen day into the
// caller's text box as day/month/year without leading zeros, whatever the regional format; on
// Cancel the text box is left as it was.
class frmDatePicker : public QDialog {
    Q_OBJECT

public:
    explicit frmDatePicker(QWidget* parent = nullptr);

    // Modal; true when a date was written into thisObject.
    bool pickDate(QLineEdit* thisObject, const QDateTime& thisDate);
    // The set-up of pickDate without showing the dialog.
    void preparePickDate(QLineEdit* thisObject, const QDateTime& thisDate);

    QCalendarWidget* calander;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

public slots:
    void cmdOk_Click();
    void cmdCancel_Click();

private:
    QLineEdit* targetControl = nullptr;
};
