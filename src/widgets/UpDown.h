#pragma once

#include <QWidget>

class QToolButton;

// A pair of arrow buttons that step a whole number up and down within a range. It shows no
// number of its own: the text box beside it is bound by whoever owns both.
class UpDown : public QWidget {
    Q_OBJECT

public:
    explicit UpDown(QWidget* parent = nullptr);

    int value() const { return m_value; }
    // Clamped to the range; emits Change() only when the value actually moves.
    void setValue(int value);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    // A reversed pair is put in order; the value is pulled into the new range.
    void setRange(int minimum, int maximum);
    int increment() const { return m_increment; }
    // Steps below 1 are taken as 1.
    void setIncrement(int increment);

    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

signals:
    void Change();

private:
    void step(int direction);

    QToolButton* m_up;
    QToolButton* m_down;
    int m_value = 0;
    int m_minimum = 0;
    int m_maximum = 100;
    int m_increment = 1;
};
