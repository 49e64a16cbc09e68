// notice_server: a desktop notification service for tests. It takes the name
// org.freedesktop.Notifications on the session bus and prints each Notify call on a line of its
// own: "Notify<TAB>app name<TAB>summary<TAB>body<TAB>actions joined by |". It prints "ready"
// once it owns the name.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <cstdio>

class NoticeServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public slots:
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int expireTimeout) {
        Q_UNUSED(appIcon)
        Q_UNUSED(hints)
        Q_UNUSED(expireTimeout)
        const QString line = QStringList{QStringLiteral("Notify"), appName, summary, body,
                                         actions.join(QLatin1Char('|'))}
                                 .join(QLatin1Char('\t'));
        std::printf("%s\n", line.toUtf8().constData());
        std::fflush(stdout);
        return replacesId != 0 ? replacesId : ++m_lastId;
    }
    QStringList GetCapabilities() { return {QStringLiteral("body"), QStringLiteral("actions")}; }
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion) {
        vendor = QStringLiteral("Quillhour tests");
        version = QStringLiteral("1");
        specVersion = QStringLiteral("1.2");
        return QStringLiteral("notice_server");
    }
    void CloseNotification(uint) {}

private:
    uint m_lastId = 0;
};

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    NoticeServer server;
    if (!bus.isConnected() ||
        !bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
        std::fprintf(stderr, "notice_server: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "notice_server.moc"
