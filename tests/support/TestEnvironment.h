#pragma once

#include "data/DataContext.h"
#include "data/Database.h"
#include "platform/Clock.h"
#include "platform/FolderOpener.h"
#include "platform/ScriptedMessages.h"
#include "platform/Settings.h"
#include "platform/WindowLister.h"

#include <QTemporaryDir>
#include <memory>

// Everything one test needs, made afresh: its own database file made by the schema code, a
// clock fixed at 7 Dec 2026 10:00:00, scripted message answers, settings in a temporary file and
// a window list set by hand.
class TestEnvironment {
    // Declared first: everything below lives in this folder.
    QTemporaryDir m_folder;

public:
    static QDateTime defaultStart() { return QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0)); }

    explicit TestEnvironment(const QDateTime& start = defaultStart());
    ~TestEnvironment();

    QString folder() const { return m_folder.path(); }
    QString databasePath() const { return m_folder.filePath(QStringLiteral("quillhour.db")); }
    QString settingsPath() const { return m_folder.filePath(QStringLiteral("settings.ini")); }

    Database& database() { return *m_database; }
    DataContext& context() { return *m_context; }

    FixedClock clock;
    ScriptedMessages messages;
    Settings settings;
    FixedWindowLister windows;
    RecordingFolderOpener folders;

    // Rows written straight into the tables, for setting up a case.
    int addUser(const QString& name, bool active = false, const QString& email = {});
    int addCategory(const QString& name, int parentId = 0, int ownerUserId = 0,
                    int minAllocation = 0, int minPeriodId = 1, int maxAllocation = 0,
                    int maxPeriodId = 1, const QDateTime& startDate = {});
    int addTime(int categoryId, int userId, const QDateTime& start, const QDateTime& end,
                int duration);
    int addOpenTime(int categoryId, int userId, const QDateTime& start);
    int addNotification(int fromUserId, int toUserId, int categoryId, int typeId,
                        const QString& subject, const QString& status = QStringLiteral("Unread"),
                        const QString& message = {}, const QDateTime& created = {});
    int count(const QString& table, const QString& where = {}, const QVariantList& params = {});

private:
    std::unique_ptr<Database> m_database;
    std::unique_ptr<DataContext> m_context;
};
