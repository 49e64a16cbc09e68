#include "app/cli/TrackCommand.h"

#include "app/cli/PersonDatabase.h"
#include "data/Database.h"
#include "data/Numbers.h"
#include "data/TimeCorrection.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

TrackingOutcome badRequest(const QString& message) {
    return {TrackingOutcome::BadRequest, message};
}

} // namespace

TrackCommand::TrackCommand(Settings& settings, PasswordStore& passwords, const Clock& clock,
                           QTextStream& out, QTextStream& err)
    : m_settings(settings)
    , m_passwords(passwords)
    , m_clock(clock)
    , m_out(out)
    , m_err(err) {}

std::optional<TrackingRequest> TrackCommand::read(const CommandLine::Track& given,
                                                  TrackingOutcome& refusal) {
    using Kind = TrackingRequest::Kind;
    TrackingRequest request;
    request.kind = given.kind;
    request.category = given.category.trimmed();
    if ((given.kind == Kind::Start || given.kind == Kind::Add) && request.category.isEmpty()) {
        refusal = badRequest(QCoreApplication::translate("TrackCommand", "name the category"));
        return std::nullopt;
    }
    if (given.kind != Kind::Add) {
        return request;
    }
    const std::optional<int> minutes =
        Numbers::toExactWholeNumber(given.minutes.trimmed(), 1, TimeCorrection::LongestMinutes);
    if (!minutes) {
        refusal = badRequest(QCoreApplication::translate("TrackCommand",
                                                         "%1 is not a number of minutes from 1 "
                                                         "to %2")
                                 .arg(given.minutes)
                                 .arg(TimeCorrection::LongestMinutes));
        return std::nullopt;
    }
    request.minutes = *minutes;
    if (given.at) {
        request.at = TrackingRequest::momentFrom(*given.at);
        if (!request.at.isValid()) {
            refusal = badRequest(
                QCoreApplication::translate(
                    "TrackCommand", "--at %1 is not a moment of the form \"YYYY-MM-DD HH:MM\"")
                    .arg(*given.at));
            return std::nullopt;
        }
    }
    return request;
}

int TrackCommand::run(const CommandLine& commandLine, const InstanceRelay& relay) {
    TrackingOutcome refusal;
    const std::optional<TrackingRequest> request = read(commandLine.track, refusal);
    if (!request) {
        return said(refusal);
    }
    if (relay) {
        if (const std::optional<QByteArray> answer =
                relay(commandLine.database, request->toLine())) {
            const std::optional<TrackingOutcome> outcome = TrackingOutcome::fromLine(*answer);
            return said(outcome.value_or(TrackingOutcome{
                TrackingOutcome::Failed,
                QCoreApplication::translate("TrackCommand",
                                            "Quillhour runs with this database but did not answer "
                                            "in time; its window shows whether it was done")}));
        }
    }
    return said(direct(commandLine, *request));
}

TrackingOutcome TrackCommand::direct(const CommandLine& commandLine,
                                     const TrackingRequest& request) {
    TrackingOutcome refusal;
    std::optional<PersonDatabase> opened =
        PersonDatabase::open(commandLine.database, {}, m_settings, m_passwords, refusal);
    if (!opened) {
        return refusal;
    }
    return TrackingCommand(*opened->database, m_clock).run(request, opened->userId);
}

int TrackCommand::said(const TrackingOutcome& outcome) {
    if (outcome.status == TrackingOutcome::Done) {
        m_out << outcome.message << '\n';
    } else {
        m_err << "quillhour: " << outcome.message << '\n';
    }
    m_out.flush();
    m_err.flush();
    return outcome.status;
}
