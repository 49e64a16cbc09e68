#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class QLocalServer;
class QLocalSocket;

// One running Quillhour per account, settings file and database. The first start listens on a
// local socket in the user's runtime folder; a later start with the same settings and database
// reaches it, asks it to bring its window forward and ends. Another database (--database) or
// another settings file (another XDG_CONFIG_HOME) is another instance.
//
// Only a live listener counts: a socket file left by an instance that was killed refuses
// connections and is replaced. Starts racing each other take turns through a lock file next to
// the socket; a lock left by a killed process is recognised by its process id and taken over.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Claim { First, AlreadyRunning };

    // The socket of the instance for these settings and this database: in $XDG_RUNTIME_DIR (or
    // the fallback Qt makes for it), named after a hash of the account, the settings file and
    // the database's location. Empty when there is no runtime folder.
    // A database file counts by its canonical path ("./team.db" and "/home/ann/team.db" are one
    // database), a server address as written.
    static QString socketPath(const QString& settingsFile, const QString& database);

    explicit SingleInstance(QString socketPath, QObject* parent = nullptr);
    ~SingleInstance() override;
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Either takes the place and from now on answers later starts (First), or hands the running
    // instance the request to come forward, with this start's startup-notification id, and
    // returns AlreadyRunning. Never blocks a start: when the place cannot be taken or reached
    // (no runtime folder, a path too long for a socket) this start runs on its own as First.
    Claim claim(const QByteArray& startupId = {});

    bool isListening() const;

    // Also answers the starts that look for the instance of another database: the one chosen
    // on a first start, which later starts find in the settings. Nothing when this start is not
    // the first, or another instance answers there already.
    void answerAlsoAt(const QString& socketPath);
    // Answers the tracking requests of later starts (quillhour --start ...): gets the request's
    // line, gives the answer's.
    using TrackingHandler = std::function<QByteArray(const QByteArray&)>;
    void setTrackingHandler(TrackingHandler handler) { m_tracking = std::move(handler); }
    // Hands a tracking request to the instance listening at socketPath and gives its answer;
    // nothing when no instance listens there, an empty answer when it did not answer in time.
    static std::optional<QByteArray> relay(const QString& socketPath, const QByteArray& request);

    // How long a later start waits for the running instance to confirm.
    static constexpr int AnswerWaitMs = 10000;

signals:
    // A later start asked for the window; startupId is its DESKTOP_STARTUP_ID (may be empty).
    void activationRequested(const QByteArray& startupId);

private:
    Claim handOver(QLocalSocket& socket, const QByteArray& startupId);
    bool listenAt(const QString& path);
    void accept(QLocalServer& server);

    QString m_path;
    std::vector<QLocalServer*> m_servers; // owned as children
    QStringList m_also;
    TrackingHandler m_tracking;
};
