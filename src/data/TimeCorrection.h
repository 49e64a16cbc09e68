#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <optional>

class Clock;
class Database;

// Correcting recorded time: a finished row changed or deleted, past time added, a running row's
// start moved. Every change and deletion of a row is kept in the trail (tallyRecChange) in the
// transaction that makes it, and when someone other than the row's user makes it, that user is
// sent a notification "Time changed" saying who changed what, from and to. On a server in
// signed-in mode the server's own triggers write both, whatever client changes the row, and the
// program writes neither.
//
// The operations return the reason a change was refused, in words for the person who asked, or
// nothing when it was made.
class TimeCorrection {
public:
    // One time row as stored. An open row (a running task) has no end and no duration.
    struct Row {
        int timeId = 0;
        QDateTime startTime;
        QDateTime endTime;
        std::optional<int> duration;
        int categoryId = 0;
        int userId = 0;
        // Start and end exactly as the engine gave them, in whatever form the row holds them,
        // so that a later write can ask for the row still holding just these (when empty, the
        // start and end above are asked for).
        QVariant storedStart;
        QVariant storedEnd;
    };

    // Start, end and category of a finished row, with its duration in minutes counted as Finish
    // counts them (minute boundaries crossed).
    struct Times {
        QDateTime startTime;
        QDateTime endTime;
        int categoryId = 0;
        int duration() const;
    };

    // Who may change a time row: its own user, and the manager of its category.
    struct Rights {
        bool allowed = false;
        int rowUserId = 0;
        int managerUserId = 0; // 0: the category has none
    };

    // The longest a time row may be: the 16-bit limit of a duration.
    static constexpr int LongestMinutes = 32767;
    static inline const QString Subject = QStringLiteral("Time changed");
    // The notification's type, beside the allocation checks' 0, 1 and 2.
    static constexpr int TimeChangedType = 3;
    static inline const QString Edited = QStringLiteral("edit");
    static inline const QString Deleted = QStringLiteral("delete");

    TimeCorrection(Database& database, const Clock& clock);

    // The one rule of who may change a time row, whichever way it is changed. A move to another
    // category asks it for the category before and the category after.
    static Rights mayChange(int userId, int rowUserId, int managerUserId);
    // The rights of a user on a stored row, with its category's manager read from the database.
    Rights rightsOn(int userId, const Row& row);
    // The sentence that tells someone without the right who has it.
    QString whoMayChange(const Rights& rights, int categoryId);

    // Why these times cannot be stored, or nothing when they can.
    static std::optional<QString> problem(const Times& times);

    std::optional<Row> read(int timeId);
    // Changes a finished row as it was read, when it still is so; byUserId needs the right on it
    // before and after a move. Times the same as those read change nothing and write nothing.
    // When someone else changed the row since it was read, nothing is written and the row as it
    // is now comes back in current.
    std::optional<QString> edit(const Row& asRead, const Times& to, int byUserId,
                                std::optional<Row>* current = nullptr);
    // Deletes a row, finished or running; a row already gone is left at that.
    void remove(int timeId, int byUserId);
    // Deletes every time row of a category that is being deleted, inside the caller's
    // transaction: each kept in the trail, and every other user whose time it held told once.
    void removeCategoryRows(int categoryId, int byUserId);
    // Adds a finished row of a user's past time, started no later than now; its id comes back
    // in newId.
    std::optional<QString> add(const Times& entry, int userId, int* newId = nullptr);
    // Why a running task cannot start then: not a moment, in the future, or so long ago that it
    // would run longer than a time row may.
    std::optional<QString> startProblem(const QDateTime& start) const;
    // Moves the start of a user's own running row, never past now.
    std::optional<QString> moveStart(int timeId, const QDateTime& start, int byUserId);
    // A start more than a day before the last midnight, which the user is asked to confirm.
    static bool farBack(const QDateTime& start, const QDateTime& now);

private:
    // Why byUserId may not make this change: no right on the row, or none on the category it
    // moves to; nothing when they may.
    std::optional<QString> editRefusal(const Row& asRead, const Times& to, int byUserId);
    // Writes changed over the row as it was read; false when the row is no longer so.
    bool writeOver(const Row& asRead, const Row& changed);
    // The trail row, and the notification when someone else changed the row; to is empty for a
    // deletion.
    void record(const Row& from, const std::optional<Row>& to, int byUserId);
    void notify(int toUserId, int byUserId, int categoryId, const QString& message);
    QString userName(int userId);
    QString categoryName(int categoryId);
    int managerOf(int categoryId);
    // "05/12/2026 09:00:00 to 10:00:00 (01:00) on Design"
    QString describe(const Row& row);

    Database& m_database;
    const Clock& m_clock;
};
