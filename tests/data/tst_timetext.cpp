#include "data/Numbers.h"
#include "data/TimeText.h"

#include <QLocale>
#include <QtTest>
#include <ctime>

// Counting minutes and days, the display forms, and reading typed numbers.
class TimeTextTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }
    void minutesCountBoundariesCrossed_data();
    void minutesCountBoundariesCrossed();
    void daysCountMidnightsPassed();
    void minToTimeGivesHoursAndMinutes_data();
    void minToTimeGivesHoursAndMinutes();
    void defaultTextDropsMidnight();
    void displayPatterns();
    void storageFormRoundTrips();
    void storedFormsAreRead_data();
    void storedFormsAreRead();
    void skippedWallClockTimesReadAsQtReadsThem_data();
    void skippedWallClockTimesReadAsQtReadsThem();
    void typedDatesAreRead();
    void halvesRoundToEven_data();
    void halvesRoundToEven();
    void typedNumbers_data();
    void typedNumbers();
};

void TimeTextTest::minutesCountBoundariesCrossed_data() {
    QTest::addColumn<QDateTime>("from");
    QTest::addColumn<QDateTime>("to");
    QTest::addColumn<qint64>("minutes");
    const QDate day(2026, 12, 7);
    QTest::newRow("one second across a minute")
        << QDateTime(day, QTime(10, 0, 59)) << QDateTime(day, QTime(10, 1, 0)) << qint64(1);
    QTest::newRow("59 seconds inside a minute")
        << QDateTime(day, QTime(10, 0, 0)) << QDateTime(day, QTime(10, 0, 59)) << qint64(0);
    QTest::newRow("across midnight") << QDateTime(day, QTime(23, 50, 30))
                                     << QDateTime(day.addDays(1), QTime(0, 10, 0)) << qint64(20);
    QTest::newRow("long task") << QDateTime(day, QTime(8, 0))
                               << QDateTime(day.addDays(100), QTime(8, 0)) << qint64(144000);
    QTest::newRow("backwards") << QDateTime(day, QTime(10, 5)) << QDateTime(day, QTime(10, 0))
                               << qint64(-5);
}

void TimeTextTest::minutesCountBoundariesCrossed() {
    QFETCH(QDateTime, from);
    QFETCH(QDateTime, to);
    QFETCH(qint64, minutes);
    QCOMPARE(TimeText::minutesBetween(from, to), minutes);
}

void TimeTextTest::daysCountMidnightsPassed() {
    const QDate day(2026, 12, 7);
    QCOMPARE(TimeText::daysBetween(QDateTime(day, QTime(23, 59, 59)),
                                   QDateTime(day.addDays(1), QTime(0, 0))),
             1);
    QCOMPARE(TimeText::daysBetween(QDateTime(day, QTime(0, 0)), QDateTime(day, QTime(23, 59))), 0);
    QCOMPARE(TimeText::daysBetween(QDateTime(QDate(2026, 1, 1), QTime(12, 0)),
                                   QDateTime(day, QTime(1, 0))),
             340);
}

void TimeTextTest::minToTimeGivesHoursAndMinutes_data() {
    QTest::addColumn<qint64>("minutes");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << "00:00";
    QTest::newRow("59") << qint64(59) << "00:59";
    QTest::newRow("60") << qint64(60) << "01:00";
    QTest::newRow("75") << qint64(75) << "01:15";
    QTest::newRow("1505") << qint64(1505) << "25:05";
    QTest::newRow("100 days") << qint64(144000) << "2400:00";
}

void TimeTextTest::minToTimeGivesHoursAndMinutes() {
    QFETCH(qint64, minutes);
    QFETCH(QString, text);
    QCOMPARE(TimeText::minToTime(minutes), text);
}

void TimeTextTest::defaultTextDropsMidnight() {
    QCOMPARE(TimeText::defaultText(QDateTime(QDate(2026, 12, 7), QTime(14, 3, 7))),
             QStringLiteral("07/12/2026 14:03:07"));
    QCOMPARE(TimeText::defaultText(QDateTime(QDate(2026, 12, 7), QTime(0, 0))),
             QStringLiteral("07/12/2026"));
    QCOMPARE(TimeText::defaultText(QDateTime()), QString());
}

void TimeTextTest::displayPatterns() {
    const QDateTime moment(QDate(2005, 1, 2), QTime(9, 5, 3));
    QCOMPARE(TimeText::format(moment, TimeText::DD_MMM_YYYY), QStringLiteral("02 Jan 2005"));
    QCOMPARE(TimeText::format(moment, TimeText::D_MMM_YYYY), QStringLiteral("2 Jan 2005"));
    QCOMPARE(TimeText::format(moment, TimeText::DD_MM_YYYY), QStringLiteral("02/01/2005"));
    QCOMPARE(TimeText::format(moment, TimeText::HH_MM), QStringLiteral("09:05"));
    QCOMPARE(TimeText::format(moment, TimeText::HH_MM_SS), QStringLiteral("09:05:03"));
    QCOMPARE(TimeText::format(moment, TimeText::MMMM), QStringLiteral("January"));
}

void TimeTextTest::storageFormRoundTrips() {
    const QDateTime moment(QDate(2026, 12, 7), QTime(23, 47, 5));
    QCOMPARE(TimeText::toStorage(moment), QStringLiteral("2026-12-07 23:47:05"));
    QCOMPARE(TimeText::fromStorage(TimeText::toStorage(moment)), moment);
    QCOMPARE(TimeText::fromStorage(QStringLiteral("2026-12-07T23:47:05.250")), moment);
    QCOMPARE(TimeText::fromStorage(QStringLiteral("2026-12-07")),
             QDateTime(QDate(2026, 12, 7), QTime(0, 0)));
    QVERIFY(!TimeText::fromStorage(QVariant()).isValid());
    QVERIFY(!TimeText::fromStorage(QStringLiteral("next Tuesday")).isValid());
}

void TimeTextTest::storedFormsAreRead_data() {
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QDateTime>("moment"); // invalid for none
    const QDate day(2026, 12, 7);
    QTest::newRow("storage form") << QVariant(QStringLiteral("2026-12-07 23:47:05"))
                                  << QDateTime(day, QTime(23, 47, 5));
    QTest::newRow("bare date") << QVariant(QStringLiteral("2026-12-07"))
                               << QDateTime(day, QTime(0, 0));
    QTest::newRow("leap day") << QVariant(QStringLiteral("2024-02-29 10:00:00"))
                              << QDateTime(QDate(2024, 2, 29), QTime(10, 0));
    QTest::newRow("first and last moments") << QVariant(QStringLiteral("0001-01-01 00:00:00"))
                                            << QDateTime(QDate(1, 1, 1), QTime(0, 0));
    QTest::newRow("last moment") << QVariant(QStringLiteral("9999-12-31 23:59:59"))
                                 << QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59));
    // What a server writes when a timestamp is read as text.
    QTest::newRow("fraction of a second")
        << QVariant(QStringLiteral("2026-12-07 23:47:05.25")) << QDateTime(day, QTime(23, 47, 5));
    QTest::newRow("offset after the time") << QVariant(QStringLiteral("2026-12-07 23:47:05+05:30"))
                                           << QDateTime(day, QTime(23, 47, 5));
    QTest::newRow("ISO with T") << QVariant(QStringLiteral("2026-12-07T23:47:05"))
                                << QDateTime(day, QTime(23, 47, 5));
    QTest::newRow("blanks around")
        << QVariant(QStringLiteral(" 2026-12-07 23:47:05 ")) << QDateTime(day, QTime(23, 47, 5));
    QTest::newRow("hour 24 is the next midnight") << QVariant(QStringLiteral("2026-12-07T24:00:00"))
                                                  << QDateTime(day.addDays(1), QTime(0, 0));
    QTest::newRow("without seconds")
        << QVariant(QStringLiteral("2026-12-07 23:47")) << QDateTime(day, QTime(23, 47));
    // Values of an engine with a date-time type arrive as they are.
    QTest::newRow("date-time value")
        << QVariant(QDateTime(day, QTime(8, 1, 2))) << QDateTime(day, QTime(8, 1, 2));
    QTest::newRow("date value") << QVariant(day) << QDateTime(day, QTime(0, 0));
    // Nothing to read.
    QTest::newRow("29 February of a common year")
        << QVariant(QStringLiteral("2026-02-29 10:00:00")) << QDateTime();
    QTest::newRow("month 13") << QVariant(QStringLiteral("2026-13-01")) << QDateTime();
    QTest::newRow("words") << QVariant(QStringLiteral("next Tuesday")) << QDateTime();
    QTest::newRow("digits out of place")
        << QVariant(QStringLiteral("20261207 10:00:00 ")) << QDateTime();
    QTest::newRow("empty") << QVariant(QString()) << QDateTime();
    QTest::newRow("null") << QVariant() << QDateTime();
}

void TimeTextTest::storedFormsAreRead() {
    QFETCH(QVariant, stored);
    QFETCH(QDateTime, moment);
    const QDateTime read = TimeText::fromStorage(stored);
    QCOMPARE(read.isValid(), moment.isValid());
    if (moment.isValid()) {
        QCOMPARE(read, moment);
        QCOMPARE(read.timeSpec(), Qt::LocalTime);
        QCOMPARE(read.time().msec(), 0);
    }
    // Stored text handed over in UTF-8, as the engine holds it, reads the same.
    if (stored.typeId() == QMetaType::QString) {
        const QByteArray utf8 = stored.toString().toUtf8();
        const QDateTime fromBytes = TimeText::fromStorage(QByteArrayView(utf8));
        QCOMPARE(fromBytes.isValid(), moment.isValid());
        if (moment.isValid()) {
            QCOMPARE(fromBytes, read);
            QCOMPARE(fromBytes.timeSpec(), Qt::LocalTime);
        }
    }
}

void TimeTextTest::skippedWallClockTimesReadAsQtReadsThem_data() {
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QString>("stored");
    // The hour the clocks skip, the hour they repeat, and a midnight that does not exist.
    QTest::newRow("Berlin, spring") << QByteArray("Europe/Berlin") << "2026-03-29 02:30:00";
    QTest::newRow("Berlin, autumn") << QByteArray("Europe/Berlin") << "2026-10-25 02:30:00";
    QTest::newRow("Sao Paulo, no midnight") << QByteArray("America/Sao_Paulo") << "2018-11-04";
    QTest::newRow("Sao Paulo, after midnight")
        << QByteArray("America/Sao_Paulo") << "2018-11-04 00:30:00";
}

// Where a time is not on the wall clock (or twice on it), what is read must not depend on which
// way it was read: the fixed-position reader and Qt's own parsing agree.
void TimeTextTest::skippedWallClockTimesReadAsQtReadsThem() {
    QFETCH(QByteArray, zone);
    QFETCH(QString, stored);
    const QByteArray previous = qgetenv("TZ");
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    qputenv("TZ", zone);
    tzset();
    auto qtReading = [](const QString& text) {
        QDateTime moment = QDateTime::fromString(text, QLatin1String(TimeText::StorageFormat));
        if (!moment.isValid()) {
            moment = QDateTime::fromString(text, Qt::ISODate);
        }
        if (!moment.isValid()) {
            const QDate day = QDate::fromString(text, Qt::ISODate);
            if (day.isValid()) {
                moment = QDateTime(day, QTime(0, 0));
            }
        }
        return moment;
    };
    const QDateTime expected = qtReading(stored);
    const QDateTime read = TimeText::fromStorage(stored);
    const QByteArray utf8 = stored.toUtf8();
    const QDateTime fromBytes = TimeText::fromStorage(QByteArrayView(utf8));
    if (hadZone) {
        qputenv("TZ", previous);
    } else {
        qunsetenv("TZ");
    }
    tzset();
    QCOMPARE(read.isValid(), expected.isValid());
    if (expected.isValid()) {
        QCOMPARE(read.date(), expected.date());
        QCOMPARE(read.time(), expected.time());
        QCOMPARE(read.offsetFromUtc(), expected.offsetFromUtc());
        QCOMPARE(fromBytes.date(), expected.date());
        QCOMPARE(fromBytes.time(), expected.time());
        QCOMPARE(fromBytes.offsetFromUtc(), expected.offsetFromUtc());
    }
    QCOMPARE(fromBytes.isValid(), expected.isValid());
}

void TimeTextTest::typedDatesAreRead() {
    QCOMPARE(TimeText::parseDate(QStringLiteral("5/3/2005")), QDate(2005, 3, 5));
    QCOMPARE(TimeText::parseDate(QStringLiteral("31/12/2005")), QDate(2005, 12, 31));
    QCOMPARE(TimeText::parseDate(QStringLiteral("07/12/2026")), QDate(2026, 12, 7));
    QCOMPARE(TimeText::parseDate(QStringLiteral("2026-12-07")), QDate(2026, 12, 7));
    QVERIFY(!TimeText::parseDate(QStringLiteral("31/02/2005")).isValid());
    QVERIFY(!TimeText::parseDate(QStringLiteral("soon")).isValid());
    QVERIFY(!TimeText::parseDate(QString()).isValid());
}

void TimeTextTest::halvesRoundToEven_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<qint64>("rounded");
    QTest::newRow("2.5") << 2.5 << qint64(2);
    QTest::newRow("3.5") << 3.5 << qint64(4);
    QTest::newRow("-2.5") << -2.5 << qint64(-2);
    QTest::newRow("1.4285") << 10.0 / 7.0 << qint64(1);
    QTest::newRow("2.6") << 2.6 << qint64(3);
}

void TimeTextTest::halvesRoundToEven() {
    QFETCH(double, value);
    QFETCH(qint64, rounded);
    QCOMPARE(Numbers::roundHalfEven(value).value(), rounded);
}

void TimeTextTest::typedNumbers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << " 12 " << 0 << 32767 << true << 12;
    QTest::newRow("half to even") << "12.5" << 0 << 32767 << true << 12;
    QTest::newRow("largest") << "32767" << 0 << 32767 << true << 32767;
    QTest::newRow("too large") << "32768" << 0 << 32767 << false << 0;
    QTest::newRow("negative") << "-1" << 0 << 32767 << false << 0;
    QTest::newRow("words") << "ten" << 0 << 32767 << false << 0;
    QTest::newRow("empty") << "" << 0 << 32767 << false << 0;
    QTest::newRow("beyond 32 bits") << "99999999999" << std::numeric_limits<int>::min()
                                    << std::numeric_limits<int>::max() << false << 0;
    QTest::newRow("infinity") << "inf" << std::numeric_limits<int>::min()
                              << std::numeric_limits<int>::max() << false << 0;
}

void TimeTextTest::typedNumbers() {
    QFETCH(QString, text);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(bool, accepted);
    QFETCH(int, value);
    const auto result = Numbers::toWholeNumber(text, minimum, maximum);
    QCOMPARE(result.has_value(), accepted);
    if (accepted) {
        QCOMPARE(*result, value);
    }
}

QTEST_GUILESS_MAIN(TimeTextTest)
#include "tst_timetext.moc"
