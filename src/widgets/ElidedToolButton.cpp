#include "widgets/ElidedToolButton.h"

#include "widgets/WrappedToolTip.h"

#include <QHelpEvent>
#include <QStyleOptionToolButton>
#include <QStylePainter>
#include <algorithm>

ElidedToolButton::ElidedToolButton(QWidget* parent)
    : QToolButton(parent) {
    // A tool button keeps its width by default; this one may give some of it up.
    QSizePolicy policy = sizePolicy();
    policy.setHorizontalPolicy(QSizePolicy::Preferred);
    setSizePolicy(policy);
}

int ElidedToolButton::textRoom() const {
    // What the button needs besides its text: icon, spacing and margins.
    const int around = QToolButton::sizeHint().width() - fontMetrics().horizontalAdvance(text());
    return std::max(0, width() - around);
}

bool ElidedToolButton::isElided() const {
    return fontMetrics().horizontalAdvance(text()) > textRoom();
}

QSize ElidedToolButton::minimumSizeHint() const {
    QSize hint = QToolButton::minimumSizeHint();
    const int around = QToolButton::sizeHint().width() - fontMetrics().horizontalAdvance(text());
    hint.setWidth(
        std::min(hint.width(), around + fontMetrics().horizontalAdvance(QStringLiteral("MMM…"))));
    return hint;
}

void ElidedToolButton::paintEvent(QPaintEvent* event) {
    if (!isElided()) {
        QToolButton::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    option.text = fontMetrics().elidedText(option.text, Qt::ElideRight, textRoom());
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
}

bool ElidedToolButton::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && isElided()) {
        const QString tip = toolTip().isEmpty() ? text() : toolTip() + QLatin1Char('\n') + text();
        showWrappedToolTip(static_cast<QHelpEvent*>(event)->globalPos(), tip, this);
        return true;
    }
    return QToolButton::event(event);
}
