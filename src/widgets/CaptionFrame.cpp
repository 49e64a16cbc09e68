#include "widgets/CaptionFrame.h"

#include "widgets/WrappedToolTip.h"

#include <QHelpEvent>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <algorithm>

CaptionFrame::CaptionFrame(const QString& title, QWidget* parent)
    : QGroupBox(title, parent) {}

int CaptionFrame::captionRoom(const QStyleOptionGroupBox& option, int* left) const {
    // The style places the caption for its whole text; it may use the frame's width but for an
    // inset as wide as the one before it.
    const QRect label =
        style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, this);
    const int inset = std::max(0, label.left() - option.rect.left());
    if (left != nullptr) {
        *left = label.left();
    }
    return std::max(0, option.rect.width() - 2 * inset);
}

void CaptionFrame::initStyleOption(QStyleOptionGroupBox* option) const {
    QGroupBox::initStyleOption(option);
    const int room = captionRoom(*option);
    if (fontMetrics().horizontalAdvance(option->text) > room) {
        option->text = fontMetrics().elidedText(option->text, Qt::ElideRight, room);
    }
}

bool CaptionFrame::isElided() const {
    QStyleOptionGroupBox option;
    QGroupBox::initStyleOption(&option);
    return fontMetrics().horizontalAdvance(option.text) > captionRoom(option);
}

QSize CaptionFrame::minimumSizeHint() const {
    // The contents decide the width; the caption only needs room for a few letters.
    QSize hint = QGroupBox::minimumSizeHint();
    QStyleOptionGroupBox option;
    QGroupBox::initStyleOption(&option);
    int left = 0;
    captionRoom(option, &left);
    const int fewLetters =
        fontMetrics().horizontalAdvance(QStringLiteral("MMM…")) + 2 * std::max(0, left);
    const QSize contents = QWidget::minimumSizeHint();
    hint.setWidth(std::max(contents.isValid() ? contents.width() : 0, fewLetters));
    return hint;
}

bool CaptionFrame::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty() && isElided()) {
        auto* hover = static_cast<QHelpEvent*>(event);
        // Over the caption's strip only; the contents have tips of their own.
        if (hover->pos().y() < contentsRect().top()) {
            showWrappedToolTip(hover->globalPos(), title(), this);
            return true;
        }
    }
    return QGroupBox::event(event);
}
