#include "reports/RateBook.h"

#include <algorithm>

namespace {

// Deeper than any tree a team keeps; a loop in the parent ids ends here.
constexpr int MostLevels = 64;

} // namespace

RateBook::RateBook(const std::vector<Billing::Rate>& rates, QHash<int, Category> categories,
                   QSet<int> notBillable)
    : m_categories(std::move(categories)) {
    for (const Billing::Rate& rate : rates) {
        m_rates[{rate.categoryId, rate.userId}].emplace_back(rate.from, rate.cents);
    }
    for (Dated& dated : m_rates) {
        std::stable_sort(dated.begin(), dated.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    }
    for (auto it = m_categories.cbegin(); it != m_categories.cend(); ++it) {
        int step = it.key();
        for (int level = 0; level < MostLevels && step != 0; ++level) {
            if (notBillable.contains(step)) {
                m_notBilled.insert(it.key());
                break;
            }
            const auto up = m_categories.constFind(step);
            if (up == m_categories.cend() || up->parentId == step) {
                break;
            }
            step = up->parentId;
        }
    }
}

RateBook RateBook::read(Database& database, QHash<int, Category> categories) {
    return RateBook(Billing::rates(database), std::move(categories),
                    Billing::notBillable(database));
}

const qint64* RateBook::inForce(int categoryId, int userId, const QDate& day) const {
    const auto found = m_rates.constFind({categoryId, userId});
    if (found == m_rates.cend()) {
        return nullptr;
    }
    const qint64* rate = nullptr;
    for (const auto& [from, cents] : *found) {
        if (day.isValid() && from > day) {
            break;
        }
        rate = &cents;
    }
    return rate;
}

qint64 RateBook::rateCents(int categoryId, int userId, const QDate& day) const {
    int step = categoryId;
    for (int level = 0; level < MostLevels && step != 0; ++level) {
        if (userId != 0) {
            if (const qint64* own = inForce(step, userId, day)) {
                return *own;
            }
        }
        if (const qint64* category = inForce(step, 0, day)) {
            return *category;
        }
        const auto up = m_categories.constFind(step);
        if (up == m_categories.cend() || up->parentId == step) {
            break;
        }
        step = up->parentId;
    }
    const auto own = m_categories.constFind(categoryId);
    return own == m_categories.cend() ? 0 : qint64(own->hourlyRate) * 100;
}

qint64 RateBook::billedCents(int categoryId, int userId, const QDate& day) const {
    return billable(categoryId) ? rateCents(categoryId, userId, day) : 0;
}

bool RateBook::billable(int categoryId) const {
    return !m_notBilled.contains(categoryId);
}
