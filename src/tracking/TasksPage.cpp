#include "tracking/TasksPage.h"

#include "widgets/CaptionFrame.h"
#include "widgets/Look.h"
#include "widgets/UiHelpers.h"
#include "widgets/UpDown.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {

QLabel* caption(const QString& text, const QString& name) {
    return named(new QLabel(text), name);
}

} // namespace

TasksPage::TasksPage(QWidget* parent)
    : QWidget(parent) {
    buildNewTask();
    buildEntry();
    buildTime();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraNewTask);
    layout->addWidget(fraEntry);
    layout->addWidget(fraTime);
    layout->addStretch(1);

    // Enter in the duration box makes the entry, as Create does when it is offered.
    connect(txtDuration, &QLineEdit::returnPressed, this, [this] {
        if (cmdCreateNow->isEnabled()) {
            cmdCreateNow->click();
        }
    });
}

void TasksPage::buildNewTask() {
    fraNewTask = named(new CaptionFrame(tr(NewTaskCaption)), QStringLiteral("fraNewTask"));
    chkPrompt = named(new QCheckBox(tr("Prompt")), QStringLiteral("chkPrompt"));
    cmdStartNow = named(new QPushButton(tr("&Start")), QStringLiteral("cmdStartNow"));
    cmdStartNow->setEnabled(false);
    // Enter presses it when it has the focus, as Space does: the key a newcomer tries first.
    cmdStartNow->setAutoDefault(true);
    cmdStart = named(new QPushButton(tr("Start")), QStringLiteral("cmdStart"));
    cmdStart->setEnabled(false);
    cmdStart->setVisible(false);

    auto* row = new QHBoxLayout(fraNewTask);
    row->addWidget(chkPrompt);
    row->addStretch(1);
    row->addWidget(cmdStart);
    row->addWidget(cmdStartNow);
}

void TasksPage::buildEntry() {
    fraEntry = named(new CaptionFrame(tr(EntryCaption)), QStringLiteral("fraEntry"));
    Label17 =
        caption(tr("Add a one off time entry against this category."), QStringLiteral("Label17"));
    lblSetDuration = caption(tr("D&uration:"), QStringLiteral("lblSetDuration"));
    txtDuration = named(new QLineEdit(QStringLiteral("0")), QStringLiteral("txtDuration"));
    txtDuration->setAlignment(Qt::AlignRight);
    txtDuration->setFixedWidth(64);
    lblSetDuration->setBuddy(txtDuration);
    UpDown1 = named(new UpDown, QStringLiteral("UpDown1"));
    UpDown1->setFixedHeight(txtDuration->sizeHint().height());
    lblMinutes = caption(QString(), QStringLiteral("lblMinutes"));
    followCount(lblMinutes, txtDuration,
                [](int count) { return tr("minutes", "after a number", count); });
    cmdCreateNow = named(new QPushButton(tr("C&reate")), QStringLiteral("cmdCreateNow"));
    cmdCreateNow->setEnabled(false);
    cmdAddTime = named(new QPushButton(tr("&Add time...")), QStringLiteral("cmdAddTime"));
    cmdAddTime->setEnabled(false);

    auto* durationRow = new QHBoxLayout;
    durationRow->addWidget(lblSetDuration);
    // The spinner sits flush against its box, as one control.
    auto* spin = new QHBoxLayout;
    spin->setSpacing(0);
    spin->addWidget(txtDuration);
    spin->addWidget(UpDown1);
    durationRow->addLayout(spin);
    durationRow->addWidget(lblMinutes);
    durationRow->addStretch(1);
    durationRow->addWidget(cmdCreateNow);
    durationRow->addWidget(cmdAddTime);

    auto* layout = new QVBoxLayout(fraEntry);
    layout->addWidget(Label17);
    layout->addLayout(durationRow);
}

void TasksPage::buildTime() {
    fraTime = named(new CaptionFrame(tr("Currently Working")), QStringLiteral("fraTime"));
    fraTime->setVisible(false);

    lblStartTimeCaption = caption(tr("Start Time:"), QStringLiteral("lblStartTimeCaption"));
    lblEndTimeCaption = caption(tr("Currently:"), QStringLiteral("lblEndTimeCaption"));
    lblDurationCaption = caption(tr("Duration:"), QStringLiteral("lblDurationCaption"));
    const QString zero = QStringLiteral("00:00:00");
    lblStartTime = caption(zero, QStringLiteral("lblStartTime"));
    lblEndTime = caption(zero, QStringLiteral("lblEndTime"));
    lblDuration = caption(zero, QStringLiteral("lblDuration"));
    for (QLabel* readOut : {lblStartTime, lblEndTime, lblDuration}) {
        QFont bold = readOut->font();
        bold.setBold(true);
        readOut->setFont(bold);
    }

    cmdChangeStart = named(new QPushButton(tr("C&hange...")), QStringLiteral("cmdChangeStart"));
    cmdChangeStart->setToolTip(tr("Correct when this task started"));
    auto* start = new QHBoxLayout;
    start->addWidget(lblStartTime);
    start->addWidget(cmdChangeStart);
    start->addStretch(1);

    auto* times = new QGridLayout;
    times->addWidget(lblStartTimeCaption, 0, 0);
    times->addWidget(lblEndTimeCaption, 0, 1);
    times->addWidget(lblDurationCaption, 0, 2);
    times->addLayout(start, 1, 0);
    times->addWidget(lblEndTime, 1, 1);
    times->addWidget(lblDuration, 1, 2);
    for (int column = 0; column < 3; ++column) {
        times->setColumnStretch(column, 1);
    }

    lblMinTime = caption(tr("Min Time:"), QStringLiteral("lblMinTime"));
    lblMaxTime = caption(tr("Max Time:"), QStringLiteral("lblMaxTime"));
    buildProgress(0, Look::MinimumColour);
    buildProgress(1, Look::MaximumColour);
    lblReminderTitle = caption(tr("Reminders:"), QStringLiteral("lblReminderTitle"));
    lblReminder = caption(QString(), QStringLiteral("lblReminder"));
    lblReminder->setMinimumWidth(40);
    chkTaskReminder = named(new QCheckBox(tr("Remind &Me")), QStringLiteral("chkTaskReminder"));

    auto* progress = new QGridLayout;
    progress->addWidget(lblMinTime, 0, 0);
    progress->addWidget(picProgress_0, 0, 1);
    progress->addWidget(lblMaxTime, 1, 0);
    progress->addWidget(picProgress_1, 1, 1);
    progress->addWidget(lblReminderTitle, 2, 0);
    auto* reminders = new QHBoxLayout;
    reminders->addWidget(lblReminder);
    reminders->addWidget(chkTaskReminder);
    reminders->addStretch(1);
    progress->addLayout(reminders, 2, 1);
    progress->setColumnStretch(1, 1);

    cmdStop = named(new QPushButton(tr("&Finish")), QStringLiteral("cmdStop"));
    cmdCancelTask = named(new QPushButton(tr("&Cancel")), QStringLiteral("cmdCancelTask"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdStop);
    buttons->addWidget(cmdCancelTask);

    auto* layout = new QVBoxLayout(fraTime);
    layout->addLayout(times);
    layout->addSpacing(6);
    layout->addLayout(progress);
    layout->addLayout(buttons);
}

void TasksPage::buildProgress(int index, const QColor& fill) {
    auto* track = indexed(new QFrame, QStringLiteral("picProgress"), index);
    track->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    track->setAutoFillBackground(true);
    // Fixed colours under the percentage, so that it reads the same in every theme.
    QPalette trackPalette = track->palette();
    trackPalette.setColor(QPalette::Window, Look::TrackColour);
    trackPalette.setColor(QPalette::WindowText, Look::textOn(Look::TrackColour));
    track->setPalette(trackPalette);
    track->setFixedHeight(22);
    track->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    // The shape is placed by hand: its width is the measure the timer sets.
    auto* shape = indexed(new QFrame(track), QStringLiteral("shpPercent"), index);
    shape->setAutoFillBackground(true);
    QPalette shapePalette = shape->palette();
    shapePalette.setColor(QPalette::Window, fill);
    shape->setPalette(shapePalette);
    const QRect inside = track->contentsRect();
    m_autoWidth[index] = inside.width() / 2;
    shape->setGeometry(inside.left(), inside.top(), m_autoWidth[index], inside.height());

    auto* percent = indexed(new QLabel(QStringLiteral("50%")), QStringLiteral("lblPercent"), index);
    percent->setFont(Look::verdana());
    percent->setAlignment(Qt::AlignCenter);
    auto* centre = new QHBoxLayout(track);
    centre->setContentsMargins(0, 0, 0, 0);
    centre->addWidget(percent, 0, Qt::AlignCenter);
    percent->raise();

    track->installEventFilter(this);
    if (index == 0) {
        picProgress_0 = track;
        shpPercent_0 = shape;
        lblPercent_0 = percent;
    } else {
        picProgress_1 = track;
        shpPercent_1 = shape;
        lblPercent_1 = percent;
    }
}

void TasksPage::setBarFraction(int index, double fraction) {
    QFrame* track = index == 0 ? picProgress_0 : picProgress_1;
    QFrame* shape = index == 0 ? shpPercent_0 : shpPercent_1;
    const QRect inside = track->contentsRect();
    // However far past its allocation a category is, the shape only has to overflow the track.
    const int width = int(std::lround(inside.width() * std::clamp(fraction, 0.0, 4.0)));
    shape->setGeometry(inside.left(), inside.top(), width, inside.height());
}

bool TasksPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        for (int index = 0; index < 2; ++index) {
            QFrame* track = index == 0 ? picProgress_0 : picProgress_1;
            if (watched != track) {
                continue;
            }
            QFrame* shape = index == 0 ? shpPercent_0 : shpPercent_1;
            const QRect inside = track->contentsRect();
            int width = shape->width();
            if (width == m_autoWidth[index]) {
                width = inside.width() / 2;
                m_autoWidth[index] = width;
            }
            shape->setGeometry(inside.left(), inside.top(), width, inside.height());
        }
    }
    return QWidget::eventFilter(watched, event);
}
