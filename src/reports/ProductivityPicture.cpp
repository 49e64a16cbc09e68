#include "reports/ProductivityPicture.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace {

// A rectangle from a top edge down to the bottom of the picture, cut at the top edge.
QRect fromTopDown(int left, int width, qint64 top, int bottom) {
    const int clippedTop = int(std::clamp<qint64>(top, 0, bottom));
    return QRect(left, clippedTop, width, bottom - clippedTop);
}

} // namespace

ProductivityPicture::ProductivityPicture(QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ProductivityPicture::showChart(ProductivityLayout chart) {
    m_mode = Mode::Chart;
    m_chart = std::move(chart);
    m_hint.clear();
    update();
}

void ProductivityPicture::showHint(const QString& text) {
    m_mode = Mode::Hint;
    m_chart = {};
    m_hint = text;
    update();
}

void ProductivityPicture::clearPicture() {
    m_mode = Mode::Blank;
    m_chart = {};
    m_hint.clear();
    update();
}

QPoint ProductivityPicture::hintPosition() const {
    const QFontMetrics metrics = fontMetrics();
    return QPoint(width() / 2 - metrics.horizontalAdvance(m_hint) / 2,
                  height() / 2 - metrics.height() / 2);
}

void ProductivityPicture::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect area = event->rect();
    painter.fillRect(area, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::WindowText));
    switch (m_mode) {
    case Mode::Blank:
        break;
    case Mode::Hint: {
        const QPoint at = hintPosition();
        painter.drawText(at.x(), at.y() + fontMetrics().ascent(), m_hint);
        break;
    }
    case Mode::Chart:
        paintChart(painter, area);
        break;
    }
}

void ProductivityPicture::paintChart(QPainter& painter, const QRect& area) const {
    const ProductivityLayout& chart = m_chart;
    const int bottom = chart.innerHeight;
    const int unit = ProductivityData::UnitsPerDay;
    const int inset = ProductivityData::TextInset;
    const QFontMetrics metrics = fontMetrics();

    // The bands reach across the days only; a picture widened to its viewport stays white
    // beyond them. The minimum band lies over the maximum band.
    const int bandRight = std::min(chart.drawingWidth, area.right() + 1);
    if (area.left() < bandRight) {
        const int left = area.left();
        painter.fillRect(fromTopDown(left, bandRight - left, chart.maximumTop(), bottom),
                         MaximumColour);
        painter.fillRect(fromTopDown(left, bandRight - left, chart.minimumTop(), bottom),
                         MinimumColour);
    }

    // The days in view, with one more on each side for day numbers wider than their column.
    const int count = int(chart.bars.size());
    const int firstDay = std::clamp(area.left() / unit - 1, 0, count);
    const int lastDay = std::clamp(area.right() / unit + 1, 0, count - 1);
    for (int k = firstDay; k <= lastDay && k < count; ++k) {
        const ProductivityLayout::Bar& bar = chart.bars[std::size_t(k)];
        if (bar.height > 0) {
            // A hair of band colour between neighbours keeps the days apart.
            painter.fillRect(fromTopDown(bar.x + 1, unit - 1, bottom - bar.height, bottom),
                             BarColour);
        }
    }

    QPen dotted(MonthLineColour, 1, Qt::DotLine);
    dotted.setCosmetic(true);
    for (const ProductivityLayout::Month& month : chart.months) {
        if (month.line && month.x >= area.left() - 1 && month.x <= area.right() + 1) {
            painter.setPen(dotted);
            painter.drawLine(QPointF(month.x + 0.5, 0), QPointF(month.x + 0.5, bottom));
        }
    }

    const int lineRight = std::min(chart.drawingWidth, area.right() + 2);
    if (area.left() < lineRight) {
        painter.setPen(QPen(Qt::black, 1));
        for (const qint64 top : {chart.minimumTop(), chart.maximumTop()}) {
            if (top >= 0 && top <= bottom) {
                const double y = double(top) + 0.5;
                painter.drawLine(QPointF(area.left(), y), QPointF(lineRight, y));
            }
        }
    }

    // Captions last, so that no bar covers them.
    painter.setPen(palette().color(QPalette::WindowText));
    for (int k = firstDay; k <= lastDay && k < count; ++k) {
        const ProductivityLayout::Bar& bar = chart.bars[std::size_t(k)];
        const QString number = QString::number(bar.day.day());
        const int left = bar.x + inset - metrics.horizontalAdvance(number) / 2;
        painter.drawText(left, metrics.ascent(), number);
    }
    const int headingTop = metrics.height();
    for (const ProductivityLayout::Month& month : chart.months) {
        const int left = month.x + inset;
        if (left > area.right() || left + metrics.horizontalAdvance(month.name) < area.left()) {
            continue;
        }
        painter.drawText(left, headingTop + metrics.ascent(), month.name);
    }
}
