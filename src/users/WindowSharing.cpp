#include "users/WindowSharing.h"

#include "platform/Clock.h"
#include "platform/Settings.h"

#include <QSet>

namespace {
const QString StoredMoment = QStringLiteral("yyyy-MM-dd HH:mm:ss");
} // namespace

WindowSharing::WindowSharing(Settings& settings, Clock& clock)
    : m_settings(settings)
    , m_clock(clock) {
    compilePatterns();
}

QString WindowSharing::modeText(Mode mode) {
    switch (mode) {
    case Mode::Titles:
        return QStringLiteral("titles");
    case Mode::Applications:
        return QStringLiteral("applications");
    case Mode::Nothing:
        break;
    }
    return QStringLiteral("none");
}

std::optional<WindowSharing::Mode> WindowSharing::modeFromText(const QString& text) {
    for (const Mode mode : {Mode::Titles, Mode::Applications, Mode::Nothing}) {
        if (text.trimmed().compare(modeText(mode), Qt::CaseInsensitive) == 0) {
            return mode;
        }
    }
    return std::nullopt;
}

std::optional<WindowSharing::Mode> WindowSharing::storedMode() const {
    if (!m_settings.contains(Settings::ShareWindowsKey)) {
        return std::nullopt;
    }
    // A value this version does not know shares nothing rather than more than was meant.
    return modeFromText(m_settings.value(Settings::ShareWindowsKey)).value_or(Mode::Nothing);
}

WindowSharing::Mode WindowSharing::mode() const {
    return storedMode().value_or(Mode::Nothing);
}

void WindowSharing::setMode(Mode mode) {
    m_settings.setValue(Settings::ShareWindowsKey, modeText(mode));
}

QString WindowSharing::hidePatterns() const {
    return m_settings.value(Settings::HideWindowsKey);
}

void WindowSharing::setHidePatterns(const QString& patterns) {
    m_settings.setValue(Settings::HideWindowsKey, patterns.trimmed());
    compilePatterns();
}

void WindowSharing::compilePatterns() {
    m_patterns.clear();
    const QStringList parts = hidePatterns().split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const QString pattern = part.trimmed();
        if (pattern.isEmpty()) {
            continue;
        }
        // Only '*' is special: everything else, '?' and '[' included, stands for itself.
        QStringList pieces = pattern.split(QLatin1Char('*'));
        for (QString& piece : pieces) {
            piece = QRegularExpression::escape(piece);
        }
        m_patterns.append(QRegularExpression(
            QRegularExpression::anchoredPattern(pieces.join(QStringLiteral(".*"))),
            QRegularExpression::CaseInsensitiveOption |
                QRegularExpression::DotMatchesEverythingOption |
                QRegularExpression::UseUnicodePropertiesOption));
    }
}

bool WindowSharing::hidden(const QString& title) const {
    return std::any_of(m_patterns.begin(), m_patterns.end(),
                       [&](const QRegularExpression& re) { return re.match(title).hasMatch(); });
}

void WindowSharing::pauseUntil(const QDateTime& moment) {
    m_settings.setValue(Settings::SharePausedUntilKey, moment.toString(StoredMoment));
}

void WindowSharing::resume() {
    m_settings.setValue(Settings::SharePausedUntilKey, QString());
}

std::optional<QDateTime> WindowSharing::pausedUntil() const {
    const QDateTime end =
        QDateTime::fromString(m_settings.value(Settings::SharePausedUntilKey), StoredMoment);
    if (!end.isValid() || end <= m_clock.now()) {
        return std::nullopt;
    }
    return end;
}

QStringList WindowSharing::published(const QList<DesktopWindow>& windows) const {
    const Mode shared = mode();
    if (shared == Mode::Nothing || pausedUntil()) {
        return {};
    }
    QStringList names;
    QSet<QString> applications;
    for (const DesktopWindow& window : windows) {
        if (window.title.isEmpty() || hidden(window.title)) {
            continue;
        }
        if (shared == Mode::Titles) {
            names.append(cutWindowTitle(window.title));
        } else if (!window.application.isEmpty() && !applications.contains(window.application)) {
            applications.insert(window.application);
            names.append(cutWindowTitle(window.application));
        }
    }
    return names;
}
