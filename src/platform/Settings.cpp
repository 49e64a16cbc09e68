#include "platform/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {
const QString Group = QStringLiteral("Settings");
const QString Organisation = QStringLiteral("Quillhour");
const QString Application = QStringLiteral("Quillhour");
} // namespace

namespace {

// The file is the user's alone: it says where their database is and who they are. It is made
// so before anything is written into it; a later write keeps the mode of the file it replaces.
void keepPrivate(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    if (!QFileInfo::exists(path)) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile made(path);
        if (!made.open(QIODevice::WriteOnly)) {
            return; // QSettings says so when it cannot write either
        }
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace

Settings::Settings()
    : m_store(std::make_unique<QSettings>(Organisation, Application)) {
    keepPrivate(m_store->fileName());
}

Settings::Settings(const QString& iniFile)
    : m_store(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {
    keepPrivate(m_store->fileName());
}

Settings::~Settings() = default;

QString Settings::value(const QString& key, const QString& fallback) const {
    return m_store->value(Group + QLatin1Char('/') + key, fallback).toString();
}

void Settings::setValue(const QString& key, const QString& value) {
    m_store->setValue(Group + QLatin1Char('/') + key, value);
    m_store->sync();
    keepPrivate(m_store->fileName());
}

bool Settings::contains(const QString& key) const {
    return m_store->contains(Group + QLatin1Char('/') + key);
}

QString Settings::location() const {
    return m_store->fileName();
}
