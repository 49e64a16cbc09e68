#include "tracking/frmReminder.h"

#include "data/NameText.h"
#include "data/TimeText.h"
#include "platform/Clock.h"
#include "session/Shell.h"
#include "session/Workspace.h"
#include "tracking/TaskTracker.h"
#include "widgets/Look.h"
#include "widgets/UiHelpers.h"
#include "widgets/WrappingLabel.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

frmReminder::frmReminder(Workspace& workspace, TaskTracker& tracker)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint)
    , m_work(workspace)
    , m_tracker(tracker) {
    setObjectName(QStringLiteral("frmReminder"));
    setWindowTitle(tr("Reminder"));
    setWindowIcon(quillhourIcon(QStringLiteral("quillhour")));

    lblTitle = named(new QLabel(tr("Progress"), this), QStringLiteral("lblTitle"));
    lblTitle->setFont(Look::verdana(12, true));
    lblInfo = named(new WrappingLabel(QString(), this), QStringLiteral("lblInfo"));
    lblInfo->setFont(Look::verdana());
    lblInfo->setMinimumWidth(320);
    cmdContinue = named(new QPushButton(tr("Continue"), this), QStringLiteral("cmdContinue"));
    cmdContinue->setDefault(true);
    cmdStop = named(new QPushButton(tr("Stop Working"), this), QStringLiteral("cmdStop"));
    // Discarding the task's time is never what Enter does.
    cmdStop->setAutoDefault(false);
    cmdContinue->setFocus();
    tmrUpdate = new QTimer(this);
    tmrUpdate->setObjectName(QStringLiteral("tmrUpdate"));
    tmrUpdate->setInterval(900);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdContinue);
    buttons->addWidget(cmdStop);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblTitle);
    layout->addWidget(lblInfo, 1);
    layout->addLayout(buttons);

    connect(cmdContinue, &QPushButton::clicked, this,
            m_work.guarded([this] { cmdContinue_Click(); }));
    connect(cmdStop, &QPushButton::clicked, this, m_work.guarded([this] { cmdStop_Click(); }));
    connect(tmrUpdate, &QTimer::timeout, this, [this] {
        m_work.guard.runTick(QStringLiteral("tmrUpdate"), [this] { tmrUpdate_Timer(); });
    });
}

void frmReminder::reminder(int, const QString& strCategory, int intTaskId) {
    m_category = strCategory;
    m_taskId = intTaskId;
    m_work.shell.hideWindow();
    tmrUpdate_Timer();
    show();
    raise();
    activateWindow();
    tmrUpdate->start();
}

void frmReminder::tmrUpdate_Timer() {
    // The reminded task's own time, counted from its start: the main window's duration belongs
    // to the current task, and its timer stands still once the main window has been closed.
    if (const task* reminded = m_tracker.getTaskById(m_taskId); reminded != nullptr) {
        m_committed =
            TimeText::minToTime(TimeText::minutesBetween(reminded->startTime, m_work.clock.now()));
    }
    lblInfo->setText(question(m_category, m_committed));
}

QString frmReminder::question(const QString& categoryName, const QString& committed) {
    return tr("Are you still working on %1? You have committed %2 to this task already")
        .arg(NameText::isolated(categoryName), committed);
}

void frmReminder::cmdContinue_Click() {
    bringBackMain();
    answered();
}

void frmReminder::cmdStop_Click() {
    m_tracker.stopTask(m_taskId);
    bringBackMain();
    answered();
}

void frmReminder::bringBackMain() {
    if (m_work.shell.isLoaded()) {
        m_work.shell.showWindow();
        return;
    }
    // The main window was closed while tasks ran: it comes back as at program start, with the
    // tasks left running loaded from their open rows.
    m_work.shell.loadAgain();
}

void frmReminder::answered() {
    m_answering = true;
    close();
    m_answering = false;
}

void frmReminder::closeEvent(QCloseEvent* event) {
    if (!m_answering) {
        // Otherwise the program would go on with no window to show for it. The window is shown
        // at once, so the program does not end with its last window; loading it again waits
        // until this close has been handled.
        m_work.shell.showWindow();
        QMetaObject::invokeMethod(
            this, [this] { m_work.guard.run([this] { bringBackMain(); }); }, Qt::QueuedConnection);
    }
    event->accept();
}

void frmReminder::hideEvent(QHideEvent* event) {
    tmrUpdate->stop();
    QWidget::hideEvent(event);
}
