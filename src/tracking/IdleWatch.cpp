#include "tracking/IdleWatch.h"

#include "data/TimeText.h"
#include "platform/Clock.h"
#include "platform/IdleSource.h"
#include "platform/Settings.h"
#include "session/Workspace.h"
#include "tracking/TaskTracker.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

namespace {

const QString DefaultMinutes = QStringLiteral("10");

} // namespace

IdleWatch::IdleWatch(Workspace& workspace, IdleSource& source, TaskTracker& tracker,
                     QCheckBox& chkIdle, QLineEdit& txtIdleMinutes, QLabel& lblIdleUnavailable,
                     QObject* parent)
    : QObject(parent)
    , m_work(workspace)
    , m_source(source)
    , m_tracker(tracker)
    , m_chkIdle(chkIdle)
    , m_txtIdleMinutes(txtIdleMinutes)
    , m_window(std::make_unique<frmIdle>()) {
    m_steady.start();
    const QString reason = source.unavailableReason();
    if (!reason.isEmpty()) {
        lblIdleUnavailable.setText(tr("Idle time is not asked about: %1").arg(reason));
        lblIdleUnavailable.show();
        chkIdle.setChecked(false);
        chkIdle.setEnabled(false);
        txtIdleMinutes.setText(DefaultMinutes);
        txtIdleMinutes.setEnabled(false);
        return; // m_threshold stays empty: the question is off
    }
    lblIdleUnavailable.hide();
    m_threshold = AwayRule::threshold(workspace.settings.idleMinutes());
    chkIdle.setChecked(m_threshold.has_value());
    txtIdleMinutes.setText(m_threshold ? QString::number(*m_threshold) : DefaultMinutes);
    txtIdleMinutes.setEnabled(m_threshold.has_value());

    connect(&chkIdle, &QCheckBox::clicked, this, m_work.guarded([this] { chkIdle_Click(); }));
    connect(&txtIdleMinutes, &QLineEdit::textEdited, this,
            m_work.guarded([this] { txtIdleMinutes_Change(); }));
    connect(m_window.get(), &frmIdle::answered, this, &IdleWatch::answer);
}

IdleWatch::~IdleWatch() = default;

void IdleWatch::chkIdle_Click() {
    m_txtIdleMinutes.setEnabled(m_chkIdle.isChecked());
    txtIdleMinutes_Change();
}

void IdleWatch::txtIdleMinutes_Change() {
    const std::optional<int> typed = AwayRule::threshold(m_txtIdleMinutes.text());
    m_threshold = m_chkIdle.isChecked() ? typed : std::nullopt;
    m_work.settings.setIdleMinutes(m_threshold.value_or(0));
    m_rule.reset();
}

void IdleWatch::checkIdleTime() {
    if (!m_threshold || m_window->isVisible()) {
        return; // off, or the question is open
    }
    const std::optional<qint64> idle = m_source.idleMilliseconds();
    const ProgramState& state = m_work.state;
    const user* me = state.currentUser;
    if (!idle || me == nullptr || !state.activeTasks) {
        m_rule.reset();
        return;
    }
    std::vector<int> mine;
    QStringList names;
    for (const task& running : *state.activeTasks) {
        if (running.user != nullptr && running.user->userId == me->userId) {
            mine.push_back(running.taskId);
            names << tr("%1 (started %2)")
                         .arg(running.category != nullptr ? running.category->categoryName
                                                          : QString(),
                              TimeText::format(running.startTime, TimeText::HH_MM));
        }
    }
    if (mine.empty()) {
        m_rule.reset();
        return;
    }
    const std::optional<AwayRule::Away> away =
        m_rule.tick(m_work.clock.now(), m_steady.elapsed(), *idle, *m_threshold);
    if (!away) {
        return;
    }
    m_away = *away;
    m_taskIds = std::move(mine);
    m_window->ask(AwayRule::question(*away), names);
}

void IdleWatch::answer(frmIdle::Answer given) {
    const std::vector<int> ids = std::exchange(m_taskIds, {});
    // The ticks stood still while the question was open: that wait is not idle time.
    m_rule.reset();
    m_work.guard.run([&] {
        for (const int id : ids) {
            if (given == frmIdle::Answer::Discard) {
                // Goes on from the moment the person came back: the minutes until they
                // answered were worked.
                m_tracker.restartTaskAt(id, m_away.start, m_away.end);
            } else if (given == frmIdle::Answer::Stop) {
                m_tracker.finishTaskAt(id, m_away.start);
            }
        }
    });
}
