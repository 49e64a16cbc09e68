#pragma once

#include "platform/Messages.h"

#include <QList>
#include <deque>
#include <variant>

// Answers message boxes and pickers from a script and keeps a record of everything shown.
// An OK box needs no scripted answer. A question or picker with nothing scripted is recorded as
// unexpected and answered No or Cancel, so a test that forgot an answer fails on its checks
// instead of hanging on a dialog.
class ScriptedMessages final : public Messages {
public:
    struct Shown {
        QString text;
        QString title;
        Buttons buttons;
        Icon icon;
        bool waited = true; // false for a notice that waited for no answer
    };

    Answer show(const QString& text, const QString& title, Buttons buttons, Icon icon) override;
    void notify(const QString& text, const QString& title, Icon icon) override;
    std::optional<QString> browseFolder(const QString& startFolder) override;
    std::optional<QString> browseFile(const QString& startFolder, const QString& filter) override;
    // Answered from the same script as browseFile.
    std::optional<QString> browseDatabase(const QString& startFolder, const QString& filter,
                                          const QString& suggestedNewFile) override;
    // Answered from the same script as browseFile.
    std::optional<QString> saveFile(const QString& suggestedFile, const QString& filter) override;
    std::optional<QDate> pickDate(const QDate& date) override;
    // Answered from its own script; what it was filled with is kept.
    std::optional<FirstStart> welcome(const FirstStart& suggested) override;

    void answer(Answer next) { m_answers.push_back(next); }
    void answerYes() { answer(Answer::Yes); }
    void answerNo() { answer(Answer::No); }
    void chooseFolder(std::optional<QString> folder) { m_folders.push_back(std::move(folder)); }
    void chooseFile(std::optional<QString> file) { m_files.push_back(std::move(file)); }
    void chooseDate(std::optional<QDate> date) { m_dates.push_back(date); }
    void acceptWelcome(std::optional<FirstStart> answer) { m_welcomes.push_back(answer); }
    // The suggestions of the last welcome window; how many were shown.
    const FirstStart& lastWelcome() const { return m_lastWelcome; }
    int welcomesShown() const { return m_welcomesShown; }

    const QList<Shown>& shown() const { return m_shown; }
    QStringList texts() const;
    const Shown& last() const { return m_shown.last(); }
    bool wasShown(const QString& text) const { return texts().contains(text); }
    void clear();

    // Questions and pickers that came with no scripted answer.
    int unexpected() const { return m_unexpected; }
    // Scripted answers that were never used.
    int unused() const;

    // What the pickers were opened with, for checks on their starting point.
    QString lastFolderStart() const { return m_lastFolderStart; }
    QString lastFileStart() const { return m_lastFileStart; }
    QString lastFileFilter() const { return m_lastFileFilter; }
    QString lastSuggestedFile() const { return m_lastSuggestedFile; }
    QDate lastDateStart() const { return m_lastDateStart; }

private:
    QList<Shown> m_shown;
    std::deque<Answer> m_answers;
    std::deque<std::optional<QString>> m_folders;
    std::deque<std::optional<QString>> m_files;
    std::deque<std::optional<QDate>> m_dates;
    std::deque<std::optional<FirstStart>> m_welcomes;
    FirstStart m_lastWelcome;
    int m_welcomesShown = 0;
    int m_unexpected = 0;
    QString m_lastFolderStart;
    QString m_lastFileStart;
    QString m_lastFileFilter;
    QString m_lastSuggestedFile;
    QDate m_lastDateStart;
};
