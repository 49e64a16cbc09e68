#include "app/DatabaseBar.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

DatabaseBar::DatabaseBar(QWidget* parent)
    : QFrame(parent) {
    setObjectName(QStringLiteral("fraDatabase"));
    setFrameShape(QFrame::StyledPanel);
    // The tool-tip colours: a note that stands out from the page without alarming.
    setBackgroundRole(QPalette::ToolTipBase);
    setAutoFillBackground(true);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("lblDatabaseNotice"));
    m_text->setForegroundRole(QPalette::ToolTipText);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cmdCancelWait"));
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        m_cancelled = true;
        emit cancelled();
    });
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 6, 3);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_cancel, 0, Qt::AlignVCenter);
    refresh();
}

void DatabaseBar::showNotice(const QString& text) {
    m_notice = text;
    refresh();
}

void DatabaseBar::showWaiting(bool waiting) {
    if (waiting && !m_waiting) {
        m_cancelled = false;
        qApp->installEventFilter(this);
    } else if (!waiting && m_waiting) {
        qApp->removeEventFilter(this);
    }
    m_waiting = waiting;
    refresh();
}

bool DatabaseBar::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Shortcut:
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
        // Held back at the widget it is for: the window passes the Cancel button's on to it.
        return watched->isWidgetType() && watched != m_cancel;
    default:
        return false;
    }
}

bool DatabaseBar::pause(std::chrono::milliseconds length) {
    if (!m_cancelled) {
        QEventLoop loop;
        QTimer::singleShot(length, &loop, &QEventLoop::quit);
        const QMetaObject::Connection cancel =
            connect(this, &DatabaseBar::cancelled, &loop, &QEventLoop::quit);
        loop.exec();
        disconnect(cancel);
    }
    return !m_cancelled;
}

void DatabaseBar::refresh() {
    // The wait is what the person is looking at; the notice comes back after it.
    m_text->setText(m_waiting ? tr("Waiting for the database...") : m_notice);
    m_cancel->setVisible(m_waiting);
    setVisible(m_waiting || !m_notice.isEmpty());
}
