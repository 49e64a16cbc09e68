#pragma once

#include "widgets/ElidedLabel.h"

// A label that acts as a link: blue, underlined, a pointing hand over it, and clicked() on a
// left click released over the label. A text too long for its room is cut short.
class ClickableLabel : public ElidedLabel {
    Q_OBJECT

public:
    explicit ClickableLabel(const QString& text = QString(), QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};
