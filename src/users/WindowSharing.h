#pragma once

#include "platform/WindowLister.h"

#include <QDateTime>
#include <QList>
#include <QRegularExpression>
#include <QStringList>
#include <optional>

class Clock;
class Settings;

// What this user shares of their open windows with everyone in the database: the rule behind
// the rows of the process table. Kept in the settings ("Share Windows", "Hide Windows", "Share
// Paused Until"), so the choice holds from one start to the next.
class WindowSharing {
public:
    enum class Mode { Titles, Applications, Nothing };

    WindowSharing(Settings& settings, Clock& clock);

    // The stored choice, or none while this user has not made one ("Share Windows" absent).
    std::optional<Mode> storedMode() const;
    // The choice in force: the stored one; Nothing while none was made.
    Mode mode() const;
    void setMode(Mode mode);
    static QString modeText(Mode mode);
    static std::optional<Mode> modeFromText(const QString& text);

    // "Hide Windows": patterns separated by ';', '*' standing for any run of characters, compared
    // with the whole title without regard to case. Blanks around each pattern do not count.
    QString hidePatterns() const;
    void setHidePatterns(const QString& patterns);
    // Whether a window of this title is kept out, whatever the mode.
    bool hidden(const QString& title) const;

    // Nothing is shared until the given moment; the choice itself stays as it is.
    void pauseUntil(const QDateTime& moment);
    void resume();
    // The end of the pause in force, or none.
    std::optional<QDateTime> pausedUntil() const;

    // The names that go into this user's rows now, in the order of the windows: the titles, or
    // each application's name once; nothing when sharing is off or paused. Hidden windows never
    // count, nor windows without the name the mode shares.
    QStringList published(const QList<DesktopWindow>& windows) const;

private:
    void compilePatterns();

    Settings& m_settings;
    Clock& m_clock;
    QList<QRegularExpression> m_patterns;
};
