#include "reports/TimesheetImport.h"

#include "data/user.h"
#include "platform/Messages.h"
#include "reports/TimeImport.h"
#include "reports/Timesheet.h"
#include "reports/TimesheetPage.h"
#include "session/Workspace.h"

#include <QDir>
#include <QPushButton>

namespace {

// The refused rows shown before the import are the first few; the rest are counted.
constexpr int ShownRefusals = 10;

} // namespace

TimesheetImport::TimesheetImport(Workspace& workspace, TimesheetPage& page, Timesheet& timesheet,
                                 QObject* parent)
    : QObject(parent)
    , m_work(workspace)
    , m_timesheet(timesheet) {
    connect(page.cmdTimesheetImport, &QPushButton::clicked, this,
            m_work.guarded([this] { cmdTimesheetImport_Click(); }));
}

void TimesheetImport::cmdTimesheetImport_Click() {
    const user* me = m_work.state.currentUser;
    if (me == nullptr) {
        return;
    }
    const std::optional<QString> path =
        m_work.messages.browseFile(QDir::homePath(), QStringLiteral("*.csv;*.json;*.ics;*.db"));
    if (!path) {
        return;
    }
    const QString title = tr("Import");
    const ImportedTime time = TimeImport::readFile(TimeImport::formatOfFile(*path), *path);
    if (!time.unreadable.isEmpty()) {
        m_work.messages.inform(time.unreadable, title, Messages::Icon::Warning);
        return;
    }
    TimeImport importer(m_work.database(), m_work.clock);
    const TimeImport::Summary planned = importer.store(time, me->userId, me->userName, true);
    QStringList lines;
    for (std::size_t i = 0; i < planned.refused.size() && i < ShownRefusals; ++i) {
        lines.append(TimeImport::refusalText(planned.refused[i]));
    }
    lines.append(TimeImport::summaryText(planned, true));
    if (planned.made == 0) {
        m_work.messages.inform(lines.join(QLatin1Char('\n')), title, Messages::Icon::Information);
        return;
    }
    lines.append(tr("Add these %n rows as your time?", nullptr, planned.made));
    if (!m_work.messages.ask(lines.join(QLatin1Char('\n')), title, Messages::Icon::Question)) {
        return;
    }
    const TimeImport::Summary done = importer.store(time, me->userId, me->userName, false);
    m_work.messages.inform(TimeImport::summaryText(done, false), title,
                           Messages::Icon::Information);
    m_timesheet.showTimesheet();
}
