#include "tracking/Reminders.h"

#include "app/SettingsPage.h"
#include "app/frmMain.h"
#include "platform/Settings.h"
#include "tracking/ReminderRule.h"
#include "tracking/TasksPage.h"
#include "tracking/frmReminder.h"

#include <QCheckBox>
#include <QLineEdit>

Reminders::Reminders(frmMain& main)
    : QObject(&main)
    , m_main(main)
    , m_window(std::make_unique<frmReminder>(main)) {
    connect(main.tasksPage->chkTaskReminder, &QCheckBox::clicked, &main,
            main.guarded([this] { chkTaskReminder_Click(); }));
}

Reminders::~Reminders() = default;

void Reminders::reminder(int intCategoryId, const QString& strCategory, int intTaskId) {
    m_window->reminder(intCategoryId, strCategory, intTaskId);
}

void Reminders::chkTaskReminder_Click() {
    if (task* current = m_main.state().currentTask; current != nullptr) {
        current->prompt = m_main.tasksPage->chkTaskReminder->isChecked();
    }
}

void Reminders::txtFrequency_Change() {
    const QString frequency = m_main.settingsPage->txtFrequency->text();
    m_main.tasksPage->chkPrompt->setText(QStringLiteral("Prompt every ") + frequency +
                                         QStringLiteral(" minutes"));
    m_main.settings().setPromptFrequency(frequency);
}

std::optional<int> Reminders::frequency() const {
    return ReminderRule::frequency(m_main.settingsPage->txtFrequency->text());
}
