#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <vector>

class Database;

// Which time rows the productivity chart covers.
struct ProductivityFilter {
    int userId = 0;     // 0: every user
    int categoryId = 0; // 0: every category
};

// Where each part of the chart goes, in drawing units, y counted down from the top edge. The
// picture paints exactly this; the text positions that depend on the font are given by the
// point the text is centred on or starts from.
struct ProductivityLayout {
    struct Bar {
        int x = 0;         // left edge; the bar is UnitsPerDay wide
        qint64 height = 0; // up from the bottom edge; taller than the picture is cut at the top
        QDate day;         // its number is printed centred on x + TextInset, at the top edge
    };
    struct Month {
        int x = 0;         // left edge of the month's first bar
        QString name;      // printed from x + TextInset, one text line below the top edge
        bool line = false; // a dotted line down the picture at x
    };

    int innerHeight = 0;
    int drawingWidth = 0; // the days themselves: bands and level lines span this much
    int width = 0;        // the picture: at least as wide as its viewport
    double scale = 1;     // minutes per unit of height
    qint64 minimumLevel = 0;
    qint64 maximumLevel = 0;
    int scrollMaximum = 0;
    int scrollLargeStep = 1;
    std::vector<Bar> bars;
    std::vector<Month> months;

    // The top edges of the bands, which reach down to the bottom edge; also where the two level
    // lines are drawn.
    qint64 minimumTop() const { return innerHeight - minimumLevel; }
    qint64 maximumTop() const { return innerHeight - maximumLevel; }
};

// What the productivity chart shows, read from the database: the range of start times, the
// expected and allowed minutes per day that follow from the categories' allocations, and the
// minutes recorded on each day of the range.
class ProductivityData {
public:
    static constexpr int UnitsPerDay = 20;
    static constexpr int TextInset = 10;
    // About a hundred years of day columns, 730,000 units. A longer range (a start time typed
    // wrongly, decades off) shows its most recent days; the picture only paints what is in view,
    // so this bounds memory and the scroll range, not the drawing.
    static constexpr int MaxDays = 36500;

    bool hasRows = false;      // no matching time row with a readable start: nothing to chart
    qint64 unreadableRows = 0; // matching rows left out: their start is no date
    QDateTime firstStart;
    QDateTime lastStart;
    qint64 minimumPerDay = 0; // minutes
    qint64 maximumPerDay = 0;
    int totalDays = 0; // calendar days from the first start to the last, both included
    QDate firstDay;    // the first day charted: the first start's, or later when shortened
    std::vector<qint64> dayTotals; // minutes started on each charted day, from firstDay

    int days() const { return int(dayTotals.size()); }
    bool shortened() const { return days() < totalDays; }
    QDate lastDay() const { return lastStart.date(); }

    // Reads everything in five statements, whatever the length of the range (one more for each
    // unreadable start at either end of the range, and for a shortened range). Open rows
    // (running tasks) take part in the range and add nothing to the totals. Rows whose start
    // cannot be read are left out and counted.
    static ProductivityData read(Database& database, const ProductivityFilter& filter,
                                 int maxDays = MaxDays);
    // The day a stored start time falls on; an invalid date when it cannot be read.
    static QDate startDay(const QVariant& stored);
    // The sums over the matching categories of allocation ÷ period days × 60, each step rounded
    // half to even. A category whose period is missing or 0 days long adds nothing.
    static void readAllocations(Database& database, int categoryId, qint64& minimumPerDay,
                                qint64& maximumPerDay);

    // The chart for a picture of this inner height in a viewport of this width. The maximum
    // level lies at mid-height; with no maximum the scale is one minute per unit.
    ProductivityLayout layout(int innerHeight, int viewportWidth) const;
};
