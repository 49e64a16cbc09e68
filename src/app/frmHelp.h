#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// "Help and Information": what the program is for.
class frmHelp : public QDialog {
    Q_OBJECT

public:
    explicit frmHelp(QWidget* parent = nullptr);

    QLabel* lblTitle;
    QLabel* Label1;
    QPushButton* cmdClose;

public slots:
    void cmdClose_Click();
};
