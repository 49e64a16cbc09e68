#include "platform/Settings.h"

#include <QSettings>

namespace {
const QString Group = QStringLiteral("Settings");
const QString Organisation = QStringLiteral("Quillhour");
const QString Application = QStringLiteral("Quillhour");
} // namespace

Settings::Settings()
    : m_store(std::make_unique<QSettings>(Organisation, Application)) {}

Settings::Settings(const QString& iniFile)
    : m_store(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

Settings::~Settings() = default;

QString Settings::value(const QString& key, const QString& fallback) const {
    return m_store->value(Group + QLatin1Char('/') + key, fallback).toString();
}

void Settings::setValue(const QString& key, const QString& value) {
    m_store->setValue(Group + QLatin1Char('/') + key, value);
    m_store->sync();
}

bool Settings::contains(const QString& key) const {
    return m_store->contains(Group + QLatin1Char('/') + key);
}

QString Settings::location() const {
    return m_store->fileName();
}
