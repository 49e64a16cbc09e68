#pragma once

#include <QFrame>
#include <chrono>

class QLabel;
class QPushButton;

// The line above the pages that tells what keeps the database from the program without a box to
// answer: the failure timer work meets (a lost server, a busy database, a full disk), until a tick
// works again, and, while a person's action waits for a lock, that it waits, with a way to stop
// waiting. Hidden when there is nothing to tell.
class DatabaseBar : public QFrame {
    Q_OBJECT

public:
    explicit DatabaseBar(QWidget* parent = nullptr);

    // What timer work meets; empty text when it works again.
    void showNotice(const QString& text);
    // Whether a person's action waits for the database now. A new wait starts uncancelled.
    void showWaiting(bool waiting);
    // Spends a pause of the waiting action in the event loop, so the window goes on drawing and
    // its clock moving; false once the person pressed Cancel in this wait.
    bool pause(std::chrono::milliseconds length);

protected:
    // While an action waits, no other control takes input: the action is not asked twice.
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // The person pressed Cancel while an action waited.
    void cancelled();

private:
    void refresh();

    QLabel* m_text = nullptr;
    QPushButton* m_cancel = nullptr;
    QString m_notice;
    bool m_waiting = false;
    bool m_cancelled = false;
};
