#pragma once

#include "reports/ProductivityData.h"
#include "widgets/Look.h"

#include <QWidget>

// The drawing of the productivity chart (picProd): the bands, one bar per day, the month and
// day captions and the level lines of a ProductivityLayout, or a one-line hint instead. It may
// be far wider than its viewport; only the part in view is painted, so its width costs nothing.
class ProductivityPicture : public QWidget {
    Q_OBJECT

public:
    static inline const QColor& MinimumColour = Look::MinimumColour;
    static inline const QColor& MaximumColour = Look::MaximumColour;
    static inline const QColor& BarColour = Look::BarColour;
    static inline const QColor& MonthLineColour = Look::MonthLineColour;

    explicit ProductivityPicture(QWidget* parent = nullptr);

    void showChart(ProductivityLayout chart);
    void showHint(const QString& text);
    void clearPicture();

    bool showsChart() const { return m_mode == Mode::Chart; }
    const ProductivityLayout& chart() const { return m_chart; }
    QString hint() const { return m_mode == Mode::Hint ? m_hint : QString(); }

    // Where the hint's text starts (its top-left corner): centred both ways.
    QPoint hintPosition() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    enum class Mode { Blank, Hint, Chart };
    void paintChart(QPainter& painter, const QRect& area) const;

    Mode m_mode = Mode::Blank;
    ProductivityLayout m_chart;
    QString m_hint;
};
