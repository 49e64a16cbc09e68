#pragma once

#include "data/Billing.h"

#include <QDate>
#include <QHash>
#include <QSet>
#include <vector>

class Database;

// The rate a time row is worth, in cents an hour, by the rates in force at the day it starts:
// the person's own rate on the category before the category's rate, and a category without
// either takes its parent's, and so up the tree. A category without a rate anywhere above it
// is worth its hourly rate (the rate a database without rates over time had). Time on a
// category that is not billed, or under one, is worth nothing.
class RateBook {
public:
    struct Category {
        int parentId = 0;
        int hourlyRate = 0; // whole currency units, as the category editor keeps it
    };

    RateBook() = default;
    RateBook(const std::vector<Billing::Rate>& rates, QHash<int, Category> categories,
             QSet<int> notBillable);
    // Reads the rates and the categories marked as not billed.
    static RateBook read(Database& database, QHash<int, Category> categories);

    // The rate in force for the person's time on the category on that day, billed or not.
    qint64 rateCents(int categoryId, int userId, const QDate& day) const;
    // As rateCents, but 0 for time that is not billed.
    qint64 billedCents(int categoryId, int userId, const QDate& day) const;
    bool billable(int categoryId) const;
    // Whether any rate depends on the person or the day: without one, a category's time is all
    // worth the same and needs no reading by person and day.
    bool dated() const { return !m_rates.isEmpty(); }

private:
    // The rates of a category and person (0: the category's own), by the first day each holds.
    using Dated = std::vector<std::pair<QDate, qint64>>;
    const qint64* inForce(int categoryId, int userId, const QDate& day) const;

    QHash<int, Category> m_categories;
    QHash<QPair<int, int>, Dated> m_rates;
    QSet<int> m_notBilled; // with every sub-category of a category marked so
};
