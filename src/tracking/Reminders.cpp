#include "tracking/Reminders.h"

#include "data/TimeText.h"
#include "platform/Settings.h"
#include "session/Workspace.h"
#include "tracking/ReminderRule.h"
#include "tracking/TaskTracker.h"
#include "tracking/TasksPage.h"
#include "tracking/frmReminder.h"

#include <QCheckBox>
#include <QLineEdit>

Reminders::Reminders(Workspace& workspace, TasksPage& tasksPage, QLineEdit& txtFrequency,
                     TaskTracker& tracker, QObject* parent)
    : QObject(parent)
    , m_work(workspace)
    , m_tasksPage(tasksPage)
    , m_txtFrequency(txtFrequency)
    , m_tracker(tracker)
    , m_window(std::make_unique<frmReminder>(workspace, tracker)) {
    connect(tasksPage.chkTaskReminder, &QCheckBox::clicked, this,
            m_work.guarded([this] { chkTaskReminder_Click(); }));
}

Reminders::~Reminders() = default;

void Reminders::reminder(int intCategoryId, const QString& strCategory, int intTaskId) {
    m_window->reminder(intCategoryId, strCategory, intTaskId);
}

void Reminders::dueReminder(int intCategoryId, const QString& strCategory, int intTaskId) {
    const task* due = m_tracker.getTaskById(intTaskId);
    const QString committed = TimeText::minToTime(due != nullptr ? due->duration : 0);
    emit reminderDue(intTaskId, frmReminder::question(strCategory, committed));
    reminder(intCategoryId, strCategory, intTaskId);
}

void Reminders::chkTaskReminder_Click() {
    if (task* current = m_work.state.currentTask; current != nullptr) {
        current->prompt = m_tasksPage.chkTaskReminder->isChecked();
    }
}

void Reminders::txtFrequency_Change() {
    const QString frequency = m_txtFrequency.text();
    m_tasksPage.chkPrompt->setText(promptCaption(frequency));
    m_work.settings.setPromptFrequency(frequency);
}

QString Reminders::promptCaption(const QString& frequency) {
    // The frequency as typed; its number chooses between "minute" and "minutes" (text that is
    // no number reads as many).
    return tr("Prompt every %1 minutes", nullptr, frequency.toInt()).arg(frequency);
}

std::optional<int> Reminders::frequency() const {
    return ReminderRule::frequency(m_txtFrequency.text());
}
