#include "tracking/frmIdle.h"

#include "widgets/UiHelpers.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

frmIdle::frmIdle()
    : QDialog(nullptr, Qt::Window | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmIdle"));
    setWindowTitle(tr("Idle Time"));
    setWindowIcon(quillhourIcon(QStringLiteral("quillhour")));

    lblIdle = named(new QLabel(this), QStringLiteral("lblIdle"));
    lblIdle->setWordWrap(true);
    lstIdleTasks = named(new QListWidget(this), QStringLiteral("lstIdleTasks"));
    lstIdleTasks->setSelectionMode(QAbstractItemView::NoSelection);
    lstIdleTasks->setFocusPolicy(Qt::NoFocus);
    cmdKeep = named(new QPushButton(tr("&Keep the time"), this), QStringLiteral("cmdKeep"));
    cmdDiscard =
        named(new QPushButton(tr("&Discard the idle time"), this), QStringLiteral("cmdDiscard"));
    cmdStop = named(new QPushButton(tr("&Stop at idle start"), this), QStringLiteral("cmdStop"));
    cmdKeep->setDefault(true);
    cmdKeep->setAutoDefault(true);
    cmdDiscard->setAutoDefault(false);
    cmdStop->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdKeep);
    buttons->addWidget(cmdDiscard);
    buttons->addWidget(cmdStop);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblIdle);
    layout->addWidget(lstIdleTasks, 1);
    layout->addLayout(buttons);

    const auto answerWith = [this](Answer answer) {
        return [this, answer] {
            m_answer = answer;
            accept();
        };
    };
    connect(cmdKeep, &QPushButton::clicked, this, answerWith(Answer::Keep));
    connect(cmdDiscard, &QPushButton::clicked, this, answerWith(Answer::Discard));
    connect(cmdStop, &QPushButton::clicked, this, answerWith(Answer::Stop));
}

void frmIdle::ask(const QString& question, const QStringList& taskNames) {
    m_answer = Answer::Keep;
    lblIdle->setText(question);
    lstIdleTasks->clear();
    lstIdleTasks->addItems(taskNames);
    cmdKeep->setFocus();
    show();
    raise();
    activateWindow();
}

void frmIdle::done(int result) {
    const Answer answer = result == QDialog::Accepted ? m_answer : Answer::Keep;
    QDialog::done(result);
    emit answered(answer);
}
