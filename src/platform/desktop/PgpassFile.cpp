#include "platform/desktop/PgpassFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringList>

namespace {

// libpq's file names the local server "localhost".
QString hostField(const QString& host) {
    return host.isEmpty() ? QStringLiteral("localhost") : host;
}

QString escaped(QString field) {
    field.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    field.replace(QLatin1Char(':'), QStringLiteral("\\:"));
    return field;
}

// The fields of one line, read as libpq reads them; fewer than five for a comment or a line
// that holds no entry.
QStringList fields(const QString& line) {
    if (line.startsWith(QLatin1Char('#'))) {
        return {};
    }
    QStringList result;
    QString current;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('\\') && i + 1 < line.size()) {
            current += line.at(++i);
        } else if (c == QLatin1Char(':') && result.size() < 4) {
            result.append(current);
            current.clear();
        } else {
            current += c;
        }
    }
    result.append(current);
    return result;
}

bool matches(const QStringList& entry, const PasswordStore::Key& key) {
    auto field = [&](int i, const QString& value) {
        return entry.at(i) == QLatin1String("*") || entry.at(i) == value;
    };
    return entry.size() == 5 && field(0, hostField(key.host)) &&
           field(1, QString::number(key.port)) && field(2, key.database) && field(3, key.user);
}

// The same entry, written for exactly this key (no wildcards): the one store() replaces.
bool sameEntry(const QStringList& entry, const PasswordStore::Key& key) {
    return entry.size() == 5 && entry.at(0) == hostField(key.host) &&
           entry.at(1) == QString::number(key.port) && entry.at(2) == key.database &&
           entry.at(3) == key.user;
}

} // namespace

PgpassFile::PgpassFile(QString path)
    : m_path(path.isEmpty() ? defaultPath() : std::move(path)) {}

QString PgpassFile::defaultPath() {
    const QString named = qEnvironmentVariable("PGPASSFILE");
    return named.isEmpty() ? QDir::home().filePath(QStringLiteral(".pgpass")) : named;
}

bool PgpassFile::store(const Key& key, const QString& password, QString& problem) {
    // libpq reads the file a line at a time: a line break would cut the entry in two.
    auto breaksLine = [](const QString& field) {
        return field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r'));
    };
    if (breaksLine(password)) {
        problem = QCoreApplication::translate("PgpassFile",
                                              "a password with a line break cannot be written "
                                              "to %1, which holds one entry per line")
                      .arg(QDir::toNativeSeparators(m_path));
        return false;
    }
    if (breaksLine(key.host) || breaksLine(key.database) || breaksLine(key.user)) {
        problem = QCoreApplication::translate("PgpassFile",
                                              "a name with a line break cannot be written to %1, "
                                              "which holds one entry per line")
                      .arg(QDir::toNativeSeparators(m_path));
        return false;
    }
    QStringList lines;
    {
        QFile existing(m_path);
        if (existing.exists()) {
            if (!existing.open(QIODevice::ReadOnly | QIODevice::Text)) {
                problem = QStringLiteral("%1 cannot be read: %2")
                              .arg(QDir::toNativeSeparators(m_path), existing.errorString());
                return false;
            }
            lines = QString::fromUtf8(existing.readAll()).split(QLatin1Char('\n'));
            if (!lines.isEmpty() && lines.constLast().isEmpty()) {
                lines.removeLast();
            }
        }
    }
    const QString entry = QStringList{escaped(hostField(key.host)), QString::number(key.port),
                                      escaped(key.database), escaped(key.user), escaped(password)}
                              .join(QLatin1Char(':'));
    // libpq uses the first line that matches: this one goes before any wildcard line.
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [&](const QString& line) { return sameEntry(fields(line), key); }),
                lines.end());
    lines.prepend(entry);

    QSaveFile file(m_path);
    // Made the user's alone before a byte of it is written.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) ||
        !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner)) {
        problem = QStringLiteral("%1 cannot be written: %2")
                      .arg(QDir::toNativeSeparators(m_path), file.errorString());
        return false;
    }
    file.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    if (!file.commit()) {
        problem = QStringLiteral("%1 cannot be written: %2")
                      .arg(QDir::toNativeSeparators(m_path), file.errorString());
        return false;
    }
    return true;
}

std::optional<QString> PgpassFile::find(const Key& key) {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return std::nullopt;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QStringList entry = fields(line);
        if (matches(entry, key)) {
            return entry.at(4);
        }
    }
    return std::nullopt;
}
