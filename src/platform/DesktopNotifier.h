#pragma once

#include <QList>
#include <QObject>
#include <QString>

// Shows a notice in the desktop's notification popups. Each notice carries a target (a node key
// such as "nid_7" or "tid_40"): when the user activates the notice, activated() gives it back.
// Without a notification service the notices go nowhere and nothing fails.
class DesktopNotifier : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~DesktopNotifier() override = default;

    virtual void notify(const QString& summary, const QString& body, const QString& target) = 0;

signals:
    void activated(const QString& target);
};

// Remembers the notices it was given, for tests; activate() plays the user's click on one.
class RecordingNotifier final : public DesktopNotifier {
    Q_OBJECT

public:
    struct Notice {
        QString summary;
        QString body;
        QString target;
    };

    using DesktopNotifier::DesktopNotifier;

    void notify(const QString& summary, const QString& body, const QString& target) override {
        m_notices.append({summary, body, target});
    }
    const QList<Notice>& notices() const { return m_notices; }
    void clear() { m_notices.clear(); }
    void activate(const QString& target) { emit activated(target); }

private:
    QList<Notice> m_notices;
};
