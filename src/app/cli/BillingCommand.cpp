#include "app/cli/BillingCommand.h"

#include "app/cli/CommandLine.h"
#include "app/cli/ReportCommand.h"
#include "data/Billing.h"
#include "data/ClosedPeriods.h"
#include "data/Database.h"
#include "data/DatabaseError.h"
#include "data/ServerAddress.h"
#include "data/SignedIn.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "reports/TimeReport.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTextStream>
#include <memory>

namespace {

enum Status { Done = 0, Failed = 1, BadRequest = 2 };

// "70", "70.5" or "70.50" as cents; nothing for anything else.
std::optional<qint64> centsFrom(const QString& text) {
    static const QRegularExpression money(QStringLiteral("^([0-9]{1,7})(?:\\.([0-9]{1,2}))?$"));
    const QRegularExpressionMatch match = money.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const QString part = match.captured(2).leftJustified(2, QLatin1Char('0'));
    return match.captured(1).toLongLong() * 100 + part.toLongLong();
}

} // namespace

BillingCommand::BillingCommand(Settings& settings, PasswordStore& passwords, const Clock& clock,
                               QTextStream& out, QTextStream& err)
    : m_settings(settings)
    , m_passwords(passwords)
    , m_clock(clock)
    , m_out(out)
    , m_err(err) {}

int BillingCommand::refuse(const QString& message) {
    m_err << "quillhour: " << message << '\n';
    m_err.flush();
    return BadRequest;
}

int BillingCommand::fail(const QString& message) {
    m_err << "quillhour: " << message << '\n';
    m_err.flush();
    return Failed;
}

int BillingCommand::run(const CommandLine& commandLine) {
    const QString where = ServerPasswords::connectable(
        commandLine.database.isEmpty() ? m_settings.database() : commandLine.database, m_passwords);
    if (where.isEmpty()) {
        return refuse(QCoreApplication::translate("ReportCommand",
                                                  "no database is chosen in the settings; name "
                                                  "one with --database"));
    }
    try {
        std::unique_ptr<Database> database = Database::open(where);
        const TimeReport report(*database);
        switch (commandLine.action) {
        case CommandLine::Action::SetRate:
            return setRate(*database, report, commandLine);
        case CommandLine::Action::SetBillable:
            return setBillable(*database, report, commandLine);
        case CommandLine::Action::ClosePeriod:
        case CommandLine::Action::ReopenPeriod:
            return closeOrReopen(*database, report, commandLine);
        default:
            return setTeam(*database, commandLine);
        }
    } catch (const DatabaseError& error) {
        return fail(error.message());
    }
}

int BillingCommand::categoryNamed(const TimeReport& report, const QString& text) {
    const std::vector<int> named = report.categoriesNamed(text);
    if (named.size() == 1) {
        return named.front();
    }
    refuse(
        named.empty()
            ? QCoreApplication::translate("ReportCommand", "no category is named \"%1\"").arg(text)
            : QCoreApplication::translate("BillingCommand",
                                          "\"%1\" names more than one category; give its "
                                          "path, Parent/Child, or its id")
                  .arg(text));
    return 0;
}

int BillingCommand::person(Database& database, const TimeReport& report) {
    QString name = m_settings.user();
    if (const std::optional<QString> login = SignedIn::login(database)) {
        name = *login;
    }
    const int id = name.isEmpty() ? 0 : report.userIdByName(name);
    if (id == 0) {
        refuse(
            name.isEmpty()
                ? QCoreApplication::translate("ReportCommand", "no user is chosen in the settings")
                : QCoreApplication::translate("ReportCommand", "no user is named \"%1\"")
                      .arg(name));
    }
    return id;
}

int BillingCommand::setRate(Database& database, const TimeReport& report,
                            const CommandLine& commandLine) {
    const std::optional<qint64> cents = centsFrom(commandLine.billingValue);
    if (!cents) {
        return refuse(QCoreApplication::translate(
                          "BillingCommand",
                          "%1 is not a rate: give a number with up to two decimals, as 70 or 72.50")
                          .arg(commandLine.billingValue));
    }
    const std::optional<QDate> from =
        commandLine.report.from ? ReportCommand::dayFrom(*commandLine.report.from) : std::nullopt;
    if (!from) {
        return refuse(QCoreApplication::translate(
            "BillingCommand", "--set-rate needs --from, the first day of the rate, as YYYY-MM-DD"));
    }
    const int categoryId = categoryNamed(report, commandLine.billingCategory);
    if (categoryId == 0) {
        return BadRequest;
    }
    int userId = 0;
    if (commandLine.report.user) {
        userId = report.userIdByName(*commandLine.report.user);
        if (userId == 0) {
            return refuse(QCoreApplication::translate("ReportCommand", "no user is named \"%1\"")
                              .arg(*commandLine.report.user));
        }
    }
    Billing::setRate(database, {categoryId, userId, *from, *cents}, m_clock.now().date());
    const QString path = report.categories().value(categoryId).path;
    m_out << (userId == 0
                  ? QCoreApplication::translate("BillingCommand",
                                                "The rate of %1 is %2 from %3 on.")
                        .arg(path, TimeReport::centsText(*cents), from->toString(Qt::ISODate))
                  : QCoreApplication::translate("BillingCommand",
                                                "The rate of %1 on %2 is %3 from %4 on.")
                        .arg(*commandLine.report.user, path, TimeReport::centsText(*cents),
                             from->toString(Qt::ISODate)))
          << '\n';
    return Done;
}

int BillingCommand::setBillable(Database& database, const TimeReport& report,
                                const CommandLine& commandLine) {
    const QString answer = commandLine.billingValue;
    if (answer != QLatin1String("yes") && answer != QLatin1String("no")) {
        return refuse(
            QCoreApplication::translate("BillingCommand", "--billable takes yes or no, not %1")
                .arg(answer));
    }
    const int categoryId = categoryNamed(report, commandLine.billingCategory);
    if (categoryId == 0) {
        return BadRequest;
    }
    Billing::setBillable(database, categoryId, answer == QLatin1String("yes"));
    const QString path = report.categories().value(categoryId).path;
    m_out << (answer == QLatin1String("yes")
                  ? QCoreApplication::translate("BillingCommand", "The time of %1 is billed.")
                  : QCoreApplication::translate("BillingCommand", "The time of %1 is not billed."))
                 .arg(path)
          << '\n';
    return Done;
}

int BillingCommand::closeOrReopen(Database& database, const TimeReport& report,
                                  const CommandLine& commandLine) {
    const std::optional<QDate> through = ReportCommand::dayFrom(commandLine.billingValue);
    if (!through) {
        return refuse(
            QCoreApplication::translate("BillingCommand", "%1 is not a date of the form YYYY-MM-DD")
                .arg(commandLine.billingValue));
    }
    int categoryId = 0;
    if (commandLine.report.category &&
        (categoryId = categoryNamed(report, *commandLine.report.category)) == 0) {
        return BadRequest;
    }
    const int userId = person(database, report);
    if (userId == 0) {
        return BadRequest;
    }
    const QString what = categoryId == 0
                             ? QCoreApplication::translate("BillingCommand", "all categories")
                             : report.categories().value(categoryId).path;
    if (commandLine.action == CommandLine::Action::ReopenPeriod) {
        if (!ClosedPeriods::reopen(database, categoryId, *through, userId, m_clock.now())) {
            return refuse(
                QCoreApplication::translate("BillingCommand", "No period of %1 is closed up to %2.")
                    .arg(what, through->toString(Qt::ISODate)));
        }
        m_out << QCoreApplication::translate("BillingCommand", "Reopened the time of %1 up to %2.")
                     .arg(what, through->toString(Qt::ISODate))
              << '\n';
        return Done;
    }
    if (const auto refused =
            ClosedPeriods::close(database, categoryId, *through, userId, m_clock.now())) {
        return fail(*refused);
    }
    m_out << QCoreApplication::translate("BillingCommand",
                                         "Closed the time of %1 up to and including %2.")
                 .arg(what, through->toString(Qt::ISODate))
          << '\n';
    return Done;
}

int BillingCommand::setTeam(Database& database, const CommandLine& commandLine) {
    const QString value = commandLine.billingValue;
    if (commandLine.action == CommandLine::Action::SetCurrency) {
        if (!Billing::isCurrencyCode(value)) {
            return refuse(QCoreApplication::translate(
                              "BillingCommand",
                              "%1 is not a currency code: give its three capital letters, as EUR")
                              .arg(value));
        }
        Billing::setSetting(database, Billing::CurrencySetting, value);
        m_out << QCoreApplication::translate("BillingCommand", "The team's currency is %1.")
                     .arg(value)
              << '\n';
        return Done;
    }
    if (value != QLatin1String("row") && value != QLatin1String("line")) {
        return refuse(QCoreApplication::translate("BillingCommand",
                                                  "--set-rounding takes row or line, not %1")
                          .arg(value));
    }
    Billing::setSetting(database, Billing::RoundingSetting, value);
    m_out << (value == QLatin1String("row")
                  ? QCoreApplication::translate("BillingCommand",
                                                "Amounts are rounded for each time row.")
                  : QCoreApplication::translate("BillingCommand",
                                                "Amounts are rounded for each line from its "
                                                "total minutes."))
          << '\n';
    return Done;
}
