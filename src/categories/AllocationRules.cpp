#include "categories/AllocationRules.h"

#include "data/Numbers.h"

#include <stdexcept>

namespace AllocationRules {

namespace {
int hoursPerDay(int hours, int days) {
    if (days <= 0) {
        throw std::invalid_argument("An allocation period must last at least one day.");
    }
    return int(Numbers::roundHalfEven(double(hours) / double(days)).value_or(0));
}
} // namespace

Check check(int minHours, int minDays, int maxHours, int maxDays) {
    Check result;
    result.minRate = hoursPerDay(minHours, minDays);
    result.maxRate = hoursPerDay(maxHours, maxDays);
    result.minLongerThanPeriod = qint64(minHours) > qint64(minDays) * 24;
    result.maxLongerThanPeriod = qint64(maxHours) > qint64(maxDays) * 24;
    result.valid = result.minRate <= result.maxRate;
    return result;
}

} // namespace AllocationRules
