#include "widgets/WrappingLabel.h"

#include "widgets/WrappedToolTip.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>
#include <algorithm>

namespace {

// A narrow label still shows a few letters on each line.
constexpr int FewestLetters = 4;
// What the label asks for when it may choose: lines of about this many letters.
constexpr int UsualLetters = 40;

} // namespace

WrappingLabel::WrappingLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
}

void WrappingLabel::setMaximumLines(int lines) {
    m_maximumLines = std::max(0, lines);
    updateGeometry();
    update();
}

QString WrappingLabel::displayText() const {
    QString shown = text();
    shown.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    shown.replace(QLatin1Char('\n'), QChar::LineSeparator);
    shown.remove(QLatin1Char('\r'));
    return shown;
}

std::vector<std::pair<int, int>> WrappingLabel::lines(int width) const {
    std::vector<std::pair<int, int>> found;
    const QString shown = displayText();
    QTextLayout layout(shown, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(1, width));
        found.emplace_back(line.textStart(), line.textLength());
    }
    layout.endLayout();
    if (found.empty()) {
        found.emplace_back(0, 0);
    }
    return found;
}

int WrappingLabel::extraWidth() const {
    const QMargins around = contentsMargins();
    return around.left() + around.right() + 2 * margin();
}

int WrappingLabel::extraHeight() const {
    const QMargins around = contentsMargins();
    return around.top() + around.bottom() + 2 * margin();
}

QRect WrappingLabel::textRect() const {
    return contentsRect().adjusted(margin(), margin(), -margin(), -margin());
}

int WrappingLabel::linesFitting(int height) const {
    const int fitting = std::max(1, height / fontMetrics().lineSpacing());
    return m_maximumLines > 0 ? std::min(fitting, m_maximumLines) : fitting;
}

int WrappingLabel::heightForWidth(int width) const {
    int count = int(lines(width - extraWidth()).size());
    if (m_maximumLines > 0) {
        count = std::min(count, m_maximumLines);
    }
    return count * fontMetrics().lineSpacing() + extraHeight();
}

QSize WrappingLabel::sizeHint() const {
    const int natural = fontMetrics().horizontalAdvance(displayText());
    const int width =
        std::min(natural, UsualLetters * fontMetrics().averageCharWidth()) + extraWidth();
    return {width, heightForWidth(width)};
}

QSize WrappingLabel::minimumSizeHint() const {
    return {FewestLetters * fontMetrics().averageCharWidth() + extraWidth(),
            fontMetrics().lineSpacing() + extraHeight()};
}

bool WrappingLabel::isCut() const {
    const QRect room = textRect();
    return int(lines(room.width()).size()) > linesFitting(room.height());
}

void WrappingLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    const QRect room = textRect();
    const QFontMetrics metrics = fontMetrics();
    const QString shown = displayText();
    const std::vector<std::pair<int, int>> all = lines(room.width());
    const int count = std::min(int(all.size()), linesFitting(room.height()));
    const int lineHeight = metrics.lineSpacing();

    int top = room.top();
    const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment());
    if (align & Qt::AlignVCenter) {
        top += std::max(0, (room.height() - count * lineHeight) / 2);
    } else if (align & Qt::AlignBottom) {
        top += std::max(0, room.height() - count * lineHeight);
    }
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Normal : QPalette::Disabled, foregroundRole()));
    painter.setFont(font());
    for (int i = 0; i < count; ++i) {
        QString line = shown.mid(all[std::size_t(i)].first, all[std::size_t(i)].second);
        if (i == count - 1 && count < int(all.size())) {
            // The last line shown carries on with the rest, cut short.
            line = metrics.elidedText(shown.mid(all[std::size_t(i)].first)
                                          .replace(QChar::LineSeparator, QLatin1Char(' ')),
                                      Qt::ElideRight, room.width());
        }
        line.remove(QChar::LineSeparator);
        const int lineWidth = metrics.horizontalAdvance(line);
        int left = room.left();
        if (align & Qt::AlignRight) {
            left = room.right() + 1 - lineWidth;
        } else if (align & Qt::AlignHCenter) {
            left += (room.width() - lineWidth) / 2;
        }
        painter.drawText(QPoint(left, top + i * lineHeight + metrics.ascent()), line);
    }
}

bool WrappingLabel::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty() && isCut()) {
        showWrappedToolTip(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
        return true;
    }
    return QLabel::event(event);
}
