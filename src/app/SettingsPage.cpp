#include "app/SettingsPage.h"

#include "users/SharingFrame.h"
#include "widgets/UiHelpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

SettingsPage::SettingsPage(QWidget* parent)
    : QWidget(parent) {
    fraDisplaySettings = named(new QGroupBox(tr("Display")), QStringLiteral("fraDisplaySettings"));
    chkTaskBar = named(new QCheckBox(tr("Show &tray icon")), QStringLiteral("chkTaskBar"));
    auto* display = new QHBoxLayout(fraDisplaySettings);
    display->addWidget(chkTaskBar);
    display->addStretch(1);

    fraDatabase = named(new QGroupBox(tr("Database")), QStringLiteral("fraDatabase"));
    txtDatabasePath = named(new QLineEdit, QStringLiteral("txtDatabasePath"));
    txtDatabasePath->setToolTip(tr("Path to database file"));
    cmdBrowse_1 = indexed(new QPushButton(QStringLiteral("...")), QStringLiteral("cmdBrowse"), 1);
    cmdBrowse_1->setToolTip(tr("Locate the database file"));
    cmdBrowse_1->setFixedWidth(32);
    lblDatabaseTips =
        named(new QLabel(tr("To create a central, shared Quillhour, use a database located on "
                            "a shared computer then link each instance of this program to "
                            "that database.")),
              QStringLiteral("lblDatabaseTips"));
    lblDatabaseTips->setWordWrap(true);
    auto* path = new QHBoxLayout;
    path->addWidget(txtDatabasePath, 1);
    path->addWidget(cmdBrowse_1);
    auto* database = new QVBoxLayout(fraDatabase);
    database->addLayout(path);
    database->addWidget(lblDatabaseTips);

    fraReminders = named(new QGroupBox(tr("Reminders")), QStringLiteral("fraReminders"));
    lblFrequency = named(new QLabel(tr("Show a reminder &every")), QStringLiteral("lblFrequency"));
    txtFrequency = named(new QLineEdit(QStringLiteral("10")), QStringLiteral("txtFrequency"));
    txtFrequency->setFixedWidth(50);
    txtFrequency->setAlignment(Qt::AlignRight);
    lblFrequency->setBuddy(txtFrequency);
    lblFrequencyMinutes = named(new QLabel, QStringLiteral("lblFrequencyMinutes"));
    followCount(lblFrequencyMinutes, txtFrequency,
                [](int count) { return tr("minutes", "after a number", count); });
    auto* reminders = new QHBoxLayout(fraReminders);
    reminders->addWidget(lblFrequency);
    reminders->addWidget(txtFrequency);
    reminders->addWidget(lblFrequencyMinutes);
    reminders->addStretch(1);

    fraIdle = named(new QGroupBox(tr("Idle")), QStringLiteral("fraIdle"));
    chkIdle = named(new QCheckBox(tr("Ask about &idle time after")), QStringLiteral("chkIdle"));
    txtIdleMinutes = named(new QLineEdit(QStringLiteral("10")), QStringLiteral("txtIdleMinutes"));
    txtIdleMinutes->setFixedWidth(50);
    txtIdleMinutes->setAlignment(Qt::AlignRight);
    lblIdleMinutes = named(new QLabel, QStringLiteral("lblIdleMinutes"));
    followCount(lblIdleMinutes, txtIdleMinutes,
                [](int count) { return tr("minutes", "after a number", count); });
    lblIdleUnavailable = named(new QLabel, QStringLiteral("lblIdleUnavailable"));
    lblIdleUnavailable->setWordWrap(true);
    lblIdleUnavailable->hide();
    auto* idleLine = new QHBoxLayout;
    idleLine->addWidget(chkIdle);
    idleLine->addWidget(txtIdleMinutes);
    idleLine->addWidget(lblIdleMinutes);
    idleLine->addStretch(1);
    auto* idle = new QVBoxLayout(fraIdle);
    idle->addLayout(idleLine);
    idle->addWidget(lblIdleUnavailable);

    fraSharing = new SharingFrame;

    fraUser = named(new QGroupBox(tr("User")), QStringLiteral("fraUser"));
    lblCurrentUser = named(new QLabel(tr("Current &User:")), QStringLiteral("lblCurrentUser"));
    cboUser = named(new QComboBox, QStringLiteral("cboUser"));
    cboUser->setEditable(true);
    // A typed name is looked up when the box loses focus; it must not be added to the list.
    cboUser->setInsertPolicy(QComboBox::NoInsert);
    cboUser->setMinimumContentsLength(20);
    cboUser->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    lblCurrentUser->setBuddy(cboUser);
    auto* user = new QHBoxLayout(fraUser);
    user->addWidget(lblCurrentUser);
    user->addWidget(cboUser);
    user->addStretch(1);

    // The frames scroll when the window is lower than they are: the page never makes the window
    // taller than the screen.
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("settingsContent"));
    auto* layout = new QVBoxLayout(content);
    layout->addWidget(fraDisplaySettings);
    layout->addWidget(fraDatabase);
    layout->addWidget(fraReminders);
    layout->addWidget(fraIdle);
    layout->addWidget(fraSharing);
    layout->addWidget(fraUser);
    layout->addStretch(1);
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("settingsScroll"));
    scroll->setAccessibleName(tr("Settings"));
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->addWidget(scroll);
}
