#include "TestEnvironment.h"
#include "data/Database.h"
#include "data/UpperVectorState.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QtTest>
#include <sqlite3.h>

// Statements reach the engine with the upper halves of the vector registers clear, whatever ran
// before them (see data/UpperVectorState.h), and clearing them works where the processor has
// them.
class UpperStateTest : public QObject {
    Q_OBJECT

private slots:
    void clearEndsWhatAHashOrAnAvxInstructionLeft();
    void statementsStartClean();
};

namespace {

#if defined(__x86_64__)
// Ones in every bit of YMM0: its upper half is in use until something clears it.
__attribute__((target("avx"))) void dirtyUpperHalves() {
    __asm__ volatile("vcmpps $0x0f, %%ymm0, %%ymm0, %%ymm0" ::: "xmm0");
}
#else
void dirtyUpperHalves() {}
#endif

// An SQL function that answers whether the engine found the upper halves in use when it ran it.
void upperStateInUse(sqlite3_context* context, int, sqlite3_value**) {
    sqlite3_result_int(context, UpperVectorState::dirty() ? 1 : 0);
}

sqlite3* handleOf(Database& database) {
    Q_UNUSED(database);
    for (const QString& name : QSqlDatabase::connectionNames()) {
        const QVariant handle = QSqlDatabase::database(name, false).driver()->handle();
        if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0) {
            return *static_cast<sqlite3* const*>(handle.data());
        }
    }
    return nullptr;
}

} // namespace

void UpperStateTest::clearEndsWhatAHashOrAnAvxInstructionLeft() {
    if (!UpperVectorState::observable()) {
        QSKIP("This processor does not report the state of its vector registers.");
    }
    dirtyUpperHalves();
    QVERIFY(UpperVectorState::dirty());
    UpperVectorState::clear();
    QVERIFY(!UpperVectorState::dirty());

    // Qt's seeded string hash, on processors where it leaves them in use.
    volatile size_t hash = qHash(QStringLiteral("select * from tallyRec where categoryId = ?"),
                                 QHashSeed::globalSeed());
    Q_UNUSED(hash);
    UpperVectorState::clear();
    QVERIFY(!UpperVectorState::dirty());
}

void UpperStateTest::statementsStartClean() {
    QUILLHOUR_SQLITE_ONLY("the check runs inside the engine");
    if (!UpperVectorState::observable()) {
        QSKIP("This processor does not report the state of its vector registers.");
    }
    TestEnvironment env;
    Database& db = env.database();
    sqlite3* handle = handleOf(db);
    QVERIFY(handle != nullptr);
    QCOMPARE(sqlite3_create_function(handle, "upper_state_in_use", 0, SQLITE_UTF8, nullptr,
                                     upperStateInUse, nullptr, nullptr),
             SQLITE_OK);
    const int ann = env.addUser(QStringLiteral("Ann"));
    for (int i = 0; i < 5; ++i) {
        env.addCategory(QStringLiteral("Category %1").arg(i), 0, ann);
    }

    // Every row is stepped with the registers clear, the first and the ones after it, though
    // a hash and an AVX instruction ran just before the statement.
    dirtyUpperHalves();
    QVERIFY(UpperVectorState::dirty());
    const ResultSet rows = db.query(
        QStringLiteral("select upper_state_in_use(), category from category where ownerUserId = ?"),
        {ann});
    QCOMPARE(rows.count(), 5);
    for (const Row row : rows) {
        QCOMPARE(row.integer(0), 0);
    }
    dirtyUpperHalves();
    QCOMPARE(db.scalar(QStringLiteral("select upper_state_in_use()")).toInt(), 0);
}

QTEST_GUILESS_MAIN(UpperStateTest)
#include "tst_upperstate.moc"
