#include "tracking/Reminders.h"

#include "app/SettingsPage.h"
#include "app/frmMain.h"
#include "platform/Settings.h"
#include "tracking/TasksPage.h"

#include <QCheckBox>
#include <QLineEdit>

Reminders::Reminders(frmMain& main)
    : QObject(&main)
    , m_main(main) {}

void Reminders::reminder(int, const QString&, int) {}

void Reminders::chkTaskReminder_Click() {}

void Reminders::txtFrequency_Change() {
    const QString frequency = m_main.settingsPage->txtFrequency->text();
    m_main.tasksPage->chkPrompt->setText(QStringLiteral("Prompt every ") + frequency +
                                         QStringLiteral(" minutes"));
    m_main.settings().setPromptFrequency(frequency);
}
