#include "tracking/TimeEntryEditor.h"

#include "data/TimeCorrection.h"
#include "data/TimeText.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "session/Workspace.h"
#include "tracking/ReminderRule.h"
#include "tracking/Reminders.h"

#include <QHash>
#include <QTime>
#include <functional>

namespace {

QDateTime toTheMinute(const QDateTime& moment) {
    return QDateTime(moment.date(), QTime(moment.time().hour(), moment.time().minute()));
}

// Every category (the placeholder left out) with its path, "Parent/Child", as the timesheets and
// the command line name it: categories of the same name under different parents stay apart.
std::vector<std::pair<int, QString>> categoryPaths(const cateories& all) {
    QHash<int, const category*> byId;
    for (const category& each : all) {
        if (each.categoryId > 0) {
            byId.insert(each.categoryId, &each);
        }
    }
    QHash<int, QString> paths;
    // A loop in the parents ends after as many steps as there are categories.
    const std::function<QString(const category&, qsizetype)> pathOf = [&](const category& leaf,
                                                                          qsizetype steps) {
        if (const auto known = paths.constFind(leaf.categoryId); known != paths.cend()) {
            return *known;
        }
        const category* parent =
            leaf.parentId != leaf.categoryId ? byId.value(leaf.parentId) : nullptr;
        const QString path = parent != nullptr && steps < byId.size()
                                 ? pathOf(*parent, steps + 1) + QLatin1Char('/') + leaf.categoryName
                                 : leaf.categoryName;
        paths.insert(leaf.categoryId, path);
        return path;
    };
    std::vector<std::pair<int, QString>> listed;
    for (const category& each : all) {
        if (each.categoryId > 0) {
            listed.emplace_back(each.categoryId, pathOf(each, 0));
        }
    }
    return listed;
}

} // namespace

TimeEntryEditor::TimeEntryEditor(Workspace& workspace, QWidget& window, Reminders& reminders,
                                 QObject* parent)
    : QObject(parent)
    , m_work(workspace)
    , m_window(window)
    , m_reminders(reminders) {}

int TimeEntryEditor::currentUserId() const {
    const user* me = m_work.state.currentUser;
    return me != nullptr ? me->userId : 0;
}

frmTimeEntry* TimeEntryEditor::open(frmTimeEntry::Mode mode, int categoryId) {
    if (m_dialog) {
        m_dialog->close();
    }
    m_dialog = new frmTimeEntry(mode, &m_window);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (mode != frmTimeEntry::Mode::Start && m_work.state.allCategories) {
        m_dialog->setCategories(categoryPaths(*m_work.state.allCategories), categoryId);
    }
    return m_dialog;
}

void TimeEntryEditor::editRow(int timeId) {
    TimeCorrection correction(m_work.database(), m_work.clock);
    const std::optional<TimeCorrection::Row> row = correction.read(timeId);
    if (!row || !row->endTime.isValid()) {
        return; // deleted meanwhile, or running: the grid lists neither at its next fill
    }
    open(frmTimeEntry::Mode::Edit, row->categoryId);
    showRow(correction, *row);
    connect(m_dialog, &frmTimeEntry::saveRequested, this,
            m_work.guarded([this, timeId] { saveEdit(timeId); }));
    m_dialog->open();
}

void TimeEntryEditor::showRow(TimeCorrection& correction, const TimeCorrection::Row& row) {
    m_read = row;
    m_dialog->setTimes(row.startTime, row.endTime);
    m_dialog->chooseCategory(row.categoryId);
    const TimeCorrection::Rights rights = correction.rightsOn(currentUserId(), row);
    if (!rights.allowed) {
        m_dialog->setReadOnly(correction.whoMayChange(rights, row.categoryId));
    }
}

void TimeEntryEditor::saveEdit(int timeId) {
    TimeCorrection correction(m_work.database(), m_work.clock);
    std::optional<TimeCorrection::Row> current;
    const std::optional<QString> refused =
        correction.edit(m_read, m_dialog->times(), currentUserId(), &current);
    if (refused) {
        m_work.messages.inform(*refused, m_dialog->windowTitle(), Messages::Icon::Warning);
        if (current) {
            showRow(correction, *current);
            emit rowEdited(timeId); // the grid shows it as it is now too
        }
        return;
    }
    m_dialog->accept();
    emit rowEdited(timeId);
}

void TimeEntryEditor::addTime() {
    const category* selected = m_work.state.selectedCategory;
    if (selected == nullptr || selected->categoryId <= 0 || currentUserId() <= 0) {
        return;
    }
    frmTimeEntry* dialog = open(frmTimeEntry::Mode::Add, selected->categoryId);
    const QDateTime now = toTheMinute(m_work.clock.now());
    dialog->setTimes(now.addSecs(-60 * 60), now);
    connect(dialog, &frmTimeEntry::saveRequested, this, m_work.guarded([this] { saveNew(); }));
    dialog->open();
}

void TimeEntryEditor::saveNew() {
    const std::optional<QString> refused =
        TimeCorrection(m_work.database(), m_work.clock).add(m_dialog->times(), currentUserId());
    if (refused) {
        m_work.messages.inform(*refused, m_dialog->windowTitle(), Messages::Icon::Warning);
        return;
    }
    m_dialog->accept();
    emit timeChanged();
}

void TimeEntryEditor::changeStart(task* running) {
    if (running == nullptr || running->user == nullptr ||
        running->user->userId != currentUserId()) {
        return; // only one's own task
    }
    frmTimeEntry* dialog = open(frmTimeEntry::Mode::Start, 0);
    dialog->setTimes(running->startTime, {});
    const int taskId = running->taskId;
    connect(dialog, &frmTimeEntry::saveRequested, this,
            m_work.guarded([this, taskId] { saveStart(taskId); }));
    dialog->open();
}

void TimeEntryEditor::saveStart(int taskId) {
    task* running = m_work.state.taskById(taskId);
    if (running == nullptr) {
        m_dialog->reject(); // finished meanwhile
        return;
    }
    const QDateTime start = m_dialog->startTime();
    const QDateTime now = m_work.clock.now();
    TimeCorrection correction(m_work.database(), m_work.clock);
    // A start that cannot be taken is said before anything is asked about it.
    std::optional<QString> refused = correction.startProblem(start);
    if (!refused && TimeCorrection::farBack(start, now) &&
        !m_work.messages.ask(tr("The new start, %1, is more than a day before last midnight. "
                                "Start the task then?")
                                 .arg(TimeText::defaultText(start)),
                             m_dialog->windowTitle(), Messages::Icon::Question)) {
        return;
    }
    if (!refused) {
        refused = correction.moveStart(taskId, start, currentUserId());
    }
    if (refused) {
        m_work.messages.inform(*refused, m_dialog->windowTitle(), Messages::Icon::Warning);
        return;
    }
    running->startTime = start;
    running->duration = int(TimeText::minutesBetween(start, now));
    // Reminders already due by the new start are not all given at once.
    running->reminderCount = ReminderRule::countAfter(running->duration, m_reminders.frequency());
    m_dialog->accept();
    emit startMoved();
}
