#pragma once

#include <QLabel>

// A one-line label that never asks for more width than a few letters: a text too long for the
// room the label has is cut short with "…", and shows whole in its tool-tip. The text itself is
// kept as set, and read back whole.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(const QString& text = QString(), QWidget* parent = nullptr);

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Whether the text is cut short at the label's present width.
    bool isElided() const;
    QRect textRect() const;
};
