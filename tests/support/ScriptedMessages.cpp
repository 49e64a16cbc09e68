#include "ScriptedMessages.h"

Messages::Answer ScriptedMessages::show(const QString& text, const QString& title, Buttons buttons,
                                        Icon icon) {
    m_shown.append({text, title, buttons, icon});
    if (buttons == Buttons::Ok) {
        return Answer::Ok;
    }
    if (m_answers.empty()) {
        ++m_unexpected;
        return Answer::No;
    }
    const Answer next = m_answers.front();
    m_answers.pop_front();
    return next;
}

void ScriptedMessages::notify(const QString& text, const QString& title, Icon icon) {
    m_shown.append({text, title, Buttons::Ok, icon, false});
}

std::optional<QString> ScriptedMessages::browseFolder(const QString& startFolder) {
    m_lastFolderStart = startFolder;
    if (m_folders.empty()) {
        ++m_unexpected;
        return std::nullopt;
    }
    std::optional<QString> next;
    next.swap(m_folders.front());
    m_folders.pop_front();
    return next;
}

std::optional<QString> ScriptedMessages::browseFile(const QString& startFolder,
                                                    const QString& filter) {
    m_lastFileStart = startFolder;
    m_lastFileFilter = filter;
    if (m_files.empty()) {
        ++m_unexpected;
        return std::nullopt;
    }
    std::optional<QString> next;
    next.swap(m_files.front());
    m_files.pop_front();
    return next;
}

std::optional<QString> ScriptedMessages::browseDatabase(const QString& startFolder,
                                                        const QString& filter,
                                                        const QString& suggestedNewFile) {
    m_lastSuggestedFile = suggestedNewFile;
    return browseFile(startFolder, filter);
}

std::optional<QString> ScriptedMessages::saveFile(const QString& suggestedFile,
                                                  const QString& filter) {
    m_lastSuggestedFile = suggestedFile;
    return browseFile(QString(), filter);
}

std::optional<QDate> ScriptedMessages::pickDate(const QDate& date) {
    m_lastDateStart = date;
    if (m_dates.empty()) {
        ++m_unexpected;
        return std::nullopt;
    }
    auto next = m_dates.front();
    m_dates.pop_front();
    return next;
}

std::optional<Messages::FirstStart> ScriptedMessages::welcome(const FirstStart& suggested) {
    m_lastWelcome = suggested;
    ++m_welcomesShown;
    if (m_welcomes.empty()) {
        ++m_unexpected;
        return std::nullopt;
    }
    auto next = m_welcomes.front();
    m_welcomes.pop_front();
    return next;
}

QStringList ScriptedMessages::texts() const {
    QStringList result;
    for (const auto& shown : m_shown) {
        result.append(shown.text);
    }
    return result;
}

void ScriptedMessages::clear() {
    m_shown.clear();
    m_unexpected = 0;
}

int ScriptedMessages::unused() const {
    return int(m_answers.size() + m_folders.size() + m_files.size() + m_dates.size() +
               m_welcomes.size());
}
