#pragma once

#include <QDialog>
#include <QUrl>

class QLabel;
class QPushButton;
class QTextBrowser;

// "Help and Information": what the program is for, its version, and the handbook in the
// language of the program's texts.
class frmHelp : public QDialog {
    Q_OBJECT

public:
    explicit frmHelp(QWidget* parent = nullptr);

    // The handbook's first page in the language the program speaks (English without one).
    static QUrl handbookHome();

    QLabel* lblTitle;
    QLabel* Label1;
    QLabel* lblVersion;
    QTextBrowser* txtGuide;
    QPushButton* cmdContents;
    QPushButton* cmdClose;

public slots:
    void cmdClose_Click();
};
