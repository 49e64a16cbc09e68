#include "widgets/ElidedLabel.h"

#include "widgets/WrappedToolTip.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <algorithm>

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
}

QRect ElidedLabel::textRect() const {
    return contentsRect().adjusted(margin(), margin(), -margin(), -margin());
}

QSize ElidedLabel::minimumSizeHint() const {
    QSize hint = QLabel::minimumSizeHint();
    const int fewLetters =
        fontMetrics().horizontalAdvance(QStringLiteral("MMM…")) + (width() - textRect().width());
    hint.setWidth(std::min(hint.width(), fewLetters));
    return hint;
}

bool ElidedLabel::isElided() const {
    return fontMetrics().horizontalAdvance(text()) > textRect().width();
}

void ElidedLabel::paintEvent(QPaintEvent* event) {
    if (!isElided()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    const QRect room = textRect();
    style()->drawItemText(
        &painter, room,
        int(QStyle::visualAlignment(layoutDirection(), alignment())) | Qt::TextSingleLine,
        palette(), isEnabled(), fontMetrics().elidedText(text(), Qt::ElideRight, room.width()),
        foregroundRole());
}

bool ElidedLabel::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty() && isElided()) {
        showWrappedToolTip(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
        return true;
    }
    return QLabel::event(event);
}
