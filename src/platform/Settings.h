#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

class QSettings;

// The per-user settings, stored as text under "Quillhour", group "Settings": the four the
// program has always had, and beside them the idle time question and the main window's place
// and size. The default constructor uses the desktop's per-user store; tests pass a file of
// their own.
class Settings {
public:
    static inline const QString DatabaseKey = QStringLiteral("Database");
    static inline const QString PromptFrequencyKey = QStringLiteral("Prompt Frequency");
    static inline const QString TrayIconKey = QStringLiteral("Tray Icon");
    static inline const QString UserKey = QStringLiteral("User");
    static inline const QString WindowGeometryKey = QStringLiteral("Window Geometry");
    static inline const QString IdleMinutesKey = QStringLiteral("Idle Minutes");
    // What of the open windows this user shares, which windows never, and a pause.
    static inline const QString ShareWindowsKey = QStringLiteral("Share Windows");
    static inline const QString HideWindowsKey = QStringLiteral("Hide Windows");
    static inline const QString SharePausedUntilKey = QStringLiteral("Share Paused Until");

    Settings();
    explicit Settings(const QString& iniFile);
    ~Settings();
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    QString value(const QString& key, const QString& fallback = {}) const;
    void setValue(const QString& key, const QString& value);
    bool contains(const QString& key) const;

    QString database() const { return value(DatabaseKey); }
    void setDatabase(const QString& location) { setValue(DatabaseKey, location); }
    QString promptFrequency() const { return value(PromptFrequencyKey, QStringLiteral("10")); }
    void setPromptFrequency(const QString& text) { setValue(PromptFrequencyKey, text); }
    QString trayIcon() const { return value(TrayIconKey, QStringLiteral("1")); }
    void setTrayIcon(bool shown) {
        setValue(TrayIconKey, shown ? QStringLiteral("1") : QStringLiteral("0"));
    }
    QString user() const { return value(UserKey); }
    void setUser(const QString& name) { setValue(UserKey, name); }
    // After how many minutes without input the program asks about the idle time; "0" for never.
    QString idleMinutes() const { return value(IdleMinutesKey, QStringLiteral("10")); }
    void setIdleMinutes(int minutes) { setValue(IdleMinutesKey, QString::number(minutes)); }
    // The main window's place and size as the window system saves them; empty when none was
    // stored yet.
    QByteArray windowGeometry() const {
        return QByteArray::fromBase64(value(WindowGeometryKey).toLatin1());
    }
    void setWindowGeometry(const QByteArray& geometry) {
        setValue(WindowGeometryKey, QString::fromLatin1(geometry.toBase64()));
    }

    // Where the values are kept, for messages and the README.
    QString location() const;

private:
    std::unique_ptr<QSettings> m_store;
};
