#include "users/SharingFrame.h"

#include "users/WindowSharing.h"
#include "widgets/UiHelpers.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

SharingFrame::SharingFrame(QWidget* parent)
    : QGroupBox(tr("Sharing"), parent) {
    setObjectName(QStringLiteral("fraSharing"));
    lblShareWindows =
        named(new QLabel(tr("Share my open windows:")), QStringLiteral("lblShareWindows"));
    optShareTitles = named(new QRadioButton(tr("Window titles")), QStringLiteral("optShareTitles"));
    optShareApplications = named(new QRadioButton(tr("Application names only")),
                                 QStringLiteral("optShareApplications"));
    optShareNothing = named(new QRadioButton(tr("Nothing")), QStringLiteral("optShareNothing"));
    shareChoice = new QButtonGroup(this);
    shareChoice->addButton(optShareTitles, int(WindowSharing::Mode::Titles));
    shareChoice->addButton(optShareApplications, int(WindowSharing::Mode::Applications));
    shareChoice->addButton(optShareNothing, int(WindowSharing::Mode::Nothing));
    lblSharingWho = named(
        new QLabel(tr("Everyone who uses this database sees what you share here under your name "
                      "on the Users page, for as long as Quillhour runs.")),
        QStringLiteral("lblSharingWho"));
    lblSharingWho->setWordWrap(true);

    lblHideWindows =
        named(new QLabel(tr("Hide windows whose title matches")), QStringLiteral("lblHideWindows"));
    txtHideWindows = named(new QLineEdit, QStringLiteral("txtHideWindows"));
    txtHideWindows->setPlaceholderText(tr("*Mail*; *bank*"));
    txtHideWindows->setToolTip(tr("Patterns separated by ; where * stands for any text; case "
                                  "does not matter. Matching windows are never shared."));
    lblHideWindows->setBuddy(txtHideWindows);

    cboPauseSharing = named(new QComboBox, QStringLiteral("cboPauseSharing"));
    cboPauseSharing->addItem(tr("for 15 minutes"), 15);
    cboPauseSharing->addItem(tr("for 1 hour"), 60);
    cboPauseSharing->addItem(tr("for 4 hours"), 240);
    cboPauseSharing->addItem(tr("for 8 hours"), 480);
    cboPauseSharing->setCurrentIndex(1);
    cmdPauseSharing =
        named(new QPushButton(tr("Pause sharing")), QStringLiteral("cmdPauseSharing"));
    cmdResumeSharing =
        named(new QPushButton(tr("Resume sharing")), QStringLiteral("cmdResumeSharing"));
    lblSharingPaused = named(new QLabel, QStringLiteral("lblSharingPaused"));
    // Room around the text in every style, as a short button's style minimum gives it.
    for (QPushButton* button : {cmdPauseSharing, cmdResumeSharing}) {
        button->setMinimumWidth(button->fontMetrics().horizontalAdvance(button->text()) + 24);
    }

    // The choices one under the other: the page stays narrow enough for a small window.
    auto* options = new QVBoxLayout;
    options->addWidget(optShareTitles);
    options->addWidget(optShareApplications);
    options->addWidget(optShareNothing);
    auto* choice = new QHBoxLayout;
    choice->addWidget(lblShareWindows, 0, Qt::AlignTop);
    choice->addLayout(options);
    choice->addStretch(1);
    auto* hide = new QHBoxLayout;
    hide->addWidget(lblHideWindows);
    hide->addWidget(txtHideWindows, 1);
    auto* pause = new QHBoxLayout;
    pause->addWidget(cmdPauseSharing);
    pause->addWidget(cboPauseSharing);
    pause->addWidget(cmdResumeSharing);
    pause->addWidget(lblSharingPaused, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choice);
    layout->addWidget(lblSharingWho);
    layout->addLayout(hide);
    layout->addLayout(pause);
}
