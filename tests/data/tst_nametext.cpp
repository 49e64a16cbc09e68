#include "data/NameText.h"
#include "platform/WindowLister.h"

#include <QtTest>

// Names joined into other text, and window titles cut to their length.
class NameTextTest : public QObject {
    Q_OBJECT

private slots:
    void namesThatTurnTheDirectionAreIsolated();
    void titlesAreCutBetweenWholeCharacters();
};

void NameTextTest::namesThatTurnTheDirectionAreIsolated() {
    const QString isolate = QStringLiteral("\u2068");
    const QString pop = QStringLiteral("\u2069");
    // Left-to-right names stay exactly as they are.
    for (const QString& plain : {QStringLiteral("Ann"), QStringLiteral("Zoë Ünal-Łukasz"),
                                 QStringLiteral("日本語"), QStringLiteral("42"), QString()}) {
        QCOMPARE(NameText::isolated(plain), plain);
    }
    // A right-to-left name, one with an override, and one with a stray isolate of its own.
    for (const QString& turning :
         {QStringLiteral("דני"), QStringLiteral("مريم"), QStringLiteral("Ann\u202e - evil"),
          QStringLiteral("Bob\u2067"), QStringLiteral("x\u202dy")}) {
        QCOMPARE(NameText::isolated(turning), isolate + turning + pop);
    }
}

void NameTextTest::titlesAreCutBetweenWholeCharacters() {
    const QString xs(254, QLatin1Char('x'));
    QCOMPARE(cutWindowTitle(QString(300, QLatin1Char('a'))), QString(255, QLatin1Char('a')));
    QCOMPARE(cutWindowTitle(QStringLiteral("short")), QStringLiteral("short"));
    // The 255th character takes two UTF-16 units: both stay.
    QCOMPARE(cutWindowTitle(xs + QStringLiteral("🙂yyy")), xs + QStringLiteral("🙂"));
    // A flag is two characters; the second would be the 256th, so neither stays.
    QCOMPARE(cutWindowTitle(xs + QStringLiteral("🇯🇵")), xs);
    // An accent that follows its letter as a character of its own goes with it.
    QCOMPARE(cutWindowTitle(xs + QStringLiteral("e\u0301tc")), xs);
    // 255 characters that fill more than 255 units are left whole.
    const QString emoji = QString(QStringLiteral("🙂")).repeated(255);
    QCOMPARE(cutWindowTitle(emoji), emoji);
    QCOMPARE(cutWindowTitle(emoji + QStringLiteral("🙂")), emoji);
}

QTEST_GUILESS_MAIN(NameTextTest)
#include "tst_nametext.moc"
