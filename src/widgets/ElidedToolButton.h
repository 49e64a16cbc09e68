#pragma once

#include <QToolButton>

// A tool button whose text never makes it wider than its icon and a few letters: a text too
// long for the room the button has is cut short with "…", and shows whole in the tool-tip, after
// the button's own tip. text() stays whole.
class ElidedToolButton : public QToolButton {
    Q_OBJECT

public:
    explicit ElidedToolButton(QWidget* parent = nullptr);

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Whether the text is cut short at the button's present width.
    bool isElided() const;
    // The width the text may take at the present size.
    int textRoom() const;
};
