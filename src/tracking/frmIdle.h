#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;
class QPushButton;

// "Idle Time": tells the user how long they were away while their tasks ran and asks what to do
// with that time. Not modal, and without a parent: the timers go on while it waits, and it shows
// even when the main window is hidden. Nothing is written until it is answered.
class frmIdle : public QDialog {
    Q_OBJECT

public:
    enum class Answer { Keep, Discard, Stop };

    frmIdle();

    QLabel* lblIdle;
    QListWidget* lstIdleTasks;
    QPushButton* cmdKeep;
    QPushButton* cmdDiscard;
    QPushButton* cmdStop;

    // Shows the question and the tasks, and comes to the front.
    void ask(const QString& question, const QStringList& taskNames);

signals:
    // Closing the window (or Escape) keeps the time.
    void answered(frmIdle::Answer answer);

protected:
    void done(int result) override;

private:
    Answer m_answer = Answer::Keep;
};
