#pragma once

// Whether a category's minimum and maximum allocations fit together. Allocations are whole
// hours per period; comparing them means bringing both to hours per day first.
namespace AllocationRules {

struct Check {
    int minRate = 0; // hours per day, rounded half to even
    int maxRate = 0;
    bool minLongerThanPeriod = false; // more hours than the minimum period has
    bool maxLongerThanPeriod = false;
    bool valid = false; // the minimum rate does not exceed the maximum rate
};

// Days must be 1 or more; the editor refuses a period of 0 days before it gets here.
Check check(int minHours, int minDays, int maxHours, int maxDays);

} // namespace AllocationRules
