#include "data/Billing.h"

#include "data/ClosedPeriods.h"
#include "data/Database.h"
#include "data/Schema.h"

#include <QRegularExpression>
#include <algorithm>

namespace Billing {

namespace {

// A database of an earlier schema, opened only to read, has no billing tables: it bills as it
// did, at each category's hourly rate.
bool hasBilling(Database& database) {
    return Schema::version(database) >= 5;
}

QDateTime midnight(const QDate& day) {
    return QDateTime(day, QTime(0, 0));
}

} // namespace

std::vector<Rate> rates(Database& database) {
    std::vector<Rate> all;
    if (!hasBilling(database)) {
        return all;
    }
    const ResultSet rows = database.query(
        QStringLiteral("select categoryId, userId, fromDate, rateCents from categoryRate "
                       "order by categoryId, fromDate, categoryRateId"));
    all.reserve(std::size_t(rows.count()));
    for (const Row row : rows) {
        all.push_back({row.integer(0), row.integer(1), row.dateTime(2).date(), row.integer64(3)});
    }
    return all;
}

void setRate(Database& database, const Rate& rate, const QDate& today) {
    database.transaction([&] {
        if (const auto closed = ClosedPeriods::covering(database, rate.categoryId, rate.from)) {
            throw DatabaseError(DatabaseError::Kind::Refused,
                                ClosedPeriods::rateRefusal(*closed, rate.from));
        }
        const qint64 earlier =
            database
                .scalar(QStringLiteral("select count(*) from categoryRate where categoryId = ? "
                                       "and userId is null"),
                        {rate.categoryId})
                .toLongLong();
        const QVariant hourly = database.scalar(
            QStringLiteral("select chargingRate from category where categoryId = ?"),
            {rate.categoryId});
        if (rate.userId == 0 && earlier == 0 && hourly.toInt() != 0 && rate.from > FromTheStart) {
            database.execute(QStringLiteral("insert into categoryRate (categoryId, userId, "
                                            "fromDate, rateCents) values (?, ?, ?, ?)"),
                             {rate.categoryId, QVariant(), midnight(FromTheStart),
                              qint64(hourly.toInt()) * 100});
        }
        const QVariant person = rate.userId > 0 ? QVariant(rate.userId) : QVariant();
        database.execute(QStringLiteral("delete from categoryRate where categoryId = ? and "
                                        "fromDate = ? and coalesce(userId, 0) = ?"),
                         {rate.categoryId, midnight(rate.from), rate.userId});
        database.execute(QStringLiteral("insert into categoryRate (categoryId, userId, fromDate, "
                                        "rateCents) values (?, ?, ?, ?)"),
                         {rate.categoryId, person, midnight(rate.from), rate.cents});
        if (rate.userId != 0) {
            return;
        }
        const QVariant inForce = database.scalar(
            QStringLiteral("select rateCents from categoryRate where categoryId = ? and userId "
                           "is null and fromDate <= ? order by fromDate desc, categoryRateId desc"),
            {rate.categoryId, midnight(today)});
        if (!inForce.isNull()) {
            // The editor keeps whole units of at most 32767.
            const qint64 units = std::clamp<qint64>((inForce.toLongLong() + 50) / 100, 0, 32767);
            database.execute(
                QStringLiteral("update category set chargingRate = ? where categoryId = ?"),
                {units, rate.categoryId});
        }
    });
}

QSet<int> notBillable(Database& database) {
    QSet<int> ids;
    if (!hasBilling(database)) {
        return ids;
    }
    const ResultSet rows = database.query(
        QStringLiteral("select categoryId from categoryBilling where billable = ?"), {false});
    for (const Row row : rows) {
        ids.insert(row.integer(0));
    }
    return ids;
}

void setBillable(Database& database, int categoryId, bool billable) {
    database.transaction([&] {
        const int updated =
            database
                .query(QStringLiteral("update categoryBilling set billable = ? where "
                                      "categoryId = ? returning categoryId"),
                       {billable, categoryId})
                .count();
        if (updated == 0) {
            database.execute(QStringLiteral("insert into categoryBilling (categoryId, billable) "
                                            "values (?, ?)"),
                             {categoryId, billable});
        }
    });
}

QString setting(Database& database, const QString& name) {
    if (!hasBilling(database)) {
        return {};
    }
    return database.scalar(QStringLiteral("select value from teamSetting where name = ?"), {name})
        .toString();
}

void setSetting(Database& database, const QString& name, const QString& value) {
    database.transaction([&] {
        database.execute(QStringLiteral("delete from teamSetting where name = ?"), {name});
        database.execute(QStringLiteral("insert into teamSetting (name, value) values (?, ?)"),
                         {name, value});
    });
}

Rounding rounding(Database& database) {
    return setting(database, RoundingSetting) == QLatin1String("row") ? Rounding::PerRow
                                                                      : Rounding::PerLine;
}

QString currency(Database& database) {
    return setting(database, CurrencySetting);
}

bool isCurrencyCode(const QString& code) {
    static const QRegularExpression threeCapitals(QStringLiteral("^[A-Z]{3}$"));
    return threeCapitals.match(code).hasMatch();
}

} // namespace Billing
