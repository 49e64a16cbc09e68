#pragma once

#include <QComboBox>

// A drop-down list that a long entry never makes wide: it asks for room for a number of letters,
// and an entry too long for the room it has is cut short with "…", and shows whole in the
// tool-tip. The entries themselves stay whole.
class ElidedComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit ElidedComboBox(int letters, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    // The width the chosen entry's text may take at the present size.
    int textRoom() const;
};
