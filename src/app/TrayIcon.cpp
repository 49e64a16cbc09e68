#include "app/TrayIcon.h"

#include <QGuiApplication>
#include <QTimer>

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent) {}

TrayIcon::~TrayIcon() {
    delete m_tray;
}

void TrayIcon::fillRecord() {
    m_shownTooltip = m_tooltip.left(TooltipLimit);
    if (m_tray == nullptr) {
        m_tray = new QSystemTrayIcon();
        connect(m_tray, &QSystemTrayIcon::activated, this, &TrayIcon::onActivated);
        m_tray->setContextMenu(m_menu);
    }
    m_tray->setIcon(m_icon);
    m_tray->setToolTip(m_shownTooltip);
}

void TrayIcon::setMenu(QMenu* menu) {
    m_menu = menu;
    if (m_tray != nullptr) {
        m_tray->setContextMenu(menu);
    }
}

void TrayIcon::Add() {
    fillRecord();
    // On X11 shown whether or not a notification area is there yet: a tray that appears later
    // (after the login's race, or a panel's restart) takes the icon then.
    if (QSystemTrayIcon::isSystemTrayAvailable() ||
        QGuiApplication::platformName() == QLatin1String("xcb")) {
        m_tray->show();
    }
    watchForTray();
    m_state = 1;
}

void TrayIcon::watchForTray() {
    if (m_trayWatch != nullptr || QSystemTrayIcon::isSystemTrayAvailable()) {
        return;
    }
    m_trayWatch = new QTimer(this);
    m_trayWatch->setInterval(TrayWatchMs);
    connect(m_trayWatch, &QTimer::timeout, this, [this] {
        if (m_state == 0 || !QSystemTrayIcon::isSystemTrayAvailable()) {
            return;
        }
        m_trayWatch->stop();
        // Registered afresh with the tray that has come.
        m_tray->hide();
        m_tray->show();
    });
    m_trayWatch->start();
}

void TrayIcon::Modify() {
    fillRecord();
    m_state = 2;
}

void TrayIcon::Remove() {
    if (m_trayWatch != nullptr) {
        m_trayWatch->stop();
        delete m_trayWatch;
        m_trayWatch = nullptr;
    }
    if (m_tray != nullptr) {
        m_tray->hide();
    }
    m_state = 0;
}

bool TrayIcon::isShown() const {
    return m_tray != nullptr && m_tray->isVisible();
}

void TrayIcon::handleMessage(int message) {
    if (m_busy) {
        return;
    }
    m_busy = true;
    switch (message) {
    case LeftDown:
        emit MouseDown(1);
        break;
    case LeftUp:
        emit MouseUp(1);
        break;
    case LeftDoubleClick:
        emit MouseDblClick(1);
        break;
    case RightDown:
        emit MouseDown(2);
        break;
    case RightUp:
        emit MouseUp(2);
        break;
    case RightDoubleClick:
        emit MouseDblClick(2);
        break;
    default:
        break;
    }
    m_busy = false;
}

void TrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason) {
    // Qt reports whole clicks; they are told as the press and release the events stand for.
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        handleMessage(LeftDown);
        handleMessage(LeftUp);
        break;
    case QSystemTrayIcon::DoubleClick:
        handleMessage(LeftDoubleClick);
        break;
    case QSystemTrayIcon::Context:
        handleMessage(RightDown);
        handleMessage(RightUp);
        break;
    default:
        break;
    }
}
