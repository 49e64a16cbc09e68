#include "tracking/TaskProgress.h"

#include "data/category.h"
#include "tracking/AllocationCheck.h"

#include <QCoreApplication>
#include <cmath>
#include <optional>

namespace TaskProgress {

bool passed(double fraction) {
    return fraction > 1.0;
}

int wholePercent(double fraction) {
    // The fractions are whole minutes over whole hours: a product such as 0.29 * 100 lands a
    // hair below 29 in binary and must still read 29.
    return int(std::floor(fraction * 100.0 + 1e-9));
}

QString percentText(double fraction, const QString& total) {
    if (passed(fraction)) {
        return QCoreApplication::translate("TaskProgress", "Complete");
    }
    // The total is shown as given; its number chooses between "hour" and "hours".
    return QCoreApplication::translate("TaskProgress", "%1 % of %2 hours", nullptr, total.toInt())
        .arg(QString::number(wholePercent(fraction)), total);
}

Bars measure(Database& database, const Clock& clock, const category& thisCategory,
             qint64 duration) {
    Bars bars;
    int summedDays = 0;
    std::optional<qint64> summed;
    auto worked = [&](int days) {
        if (!summed || summedDays != days) {
            summed = AllocationCheck::getCategoryPeriodTimeWorked(database, clock,
                                                                  thisCategory.categoryId, days);
            summedDays = days;
        }
        return *summed;
    };

    if (thisCategory.minAllocation < 1) {
        bars.maximumShown = true;
    } else {
        bars.minimumShown = true;
        bars.minimum = double(worked(thisCategory.minAllocationPeriod) + duration) /
                       (double(thisCategory.minAllocation) * 60.0);
        bars.maximumShown = passed(bars.minimum);
    }
    if (thisCategory.maxAllocation > 0 && bars.maximumShown) {
        bars.maximumMeasured = true;
        bars.maximum = double(worked(thisCategory.maxAllocationPeriod) + duration) /
                       (double(thisCategory.maxAllocation) * 60.0);
        bars.exceeded = passed(bars.maximum);
    }
    return bars;
}

QDateTime oneOffEnd(const QDateTime& start, qint64 minutes) {
    return start.addSecs(minutes * 60);
}

} // namespace TaskProgress
