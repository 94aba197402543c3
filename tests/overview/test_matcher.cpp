#include "core/search/Matcher.h"

#include <QTest>

class TestMatcher : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        Matcher::setMultiCharWildcard(QStringLiteral("%"));
        Matcher::setSingleCharWildcard(u'_');
    }

    void match_data();
    void match();
    void upperCaseKeepsPositions_data();
    void upperCaseKeepsPositions();
    void emptyMultiCharWildcardFallsBack();
};

void TestMatcher::match_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("search");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<bool>("wildcards");
    QTest::addColumn<QString>("multi");
    QTest::addColumn<QString>("single");
    QTest::addColumn<bool>("expected");

    const QString pc = QStringLiteral("%"), us = QStringLiteral("_");
    auto plain = [&](const char* tag, const QString& text, const QString& search, bool cs,
                     bool expected) {
        QTest::newRow(tag) << text << search << cs << false << pc << us << expected;
    };
    auto wild = [&](const char* tag, const QString& text, const QString& pattern, bool expected) {
        QTest::newRow(tag) << text << pattern << false << true << pc << us << expected;
    };

    plain("substring anywhere", "Hans Andersen", "an", false, true);
    plain("substring upper key", "hans", "AN", false, true);
    plain("substring mixed case", "HANS", "aN", false, true);
    plain("case-sensitive differs", "HANS", "an", true, false);
    plain("case-sensitive same", "Hans", "an", true, true);
    plain("empty key never matches", "abc", "", false, false);
    plain("empty key on empty text", "", "", false, false);
    plain("key longer than text", "ab", "abc", false, false);
    plain("wildcards are plain without the option", "abc", "a%", false, false);
    plain("danish ø any case", QStringLiteral("Bjørn"), QStringLiteral("BJØRN"), false, true);
    plain("danish Æ any case", QStringLiteral("ÆBLE"), QStringLiteral("æble"), false, true);
    plain("danish å any case", QStringLiteral("Åse"), QStringLiteral("å"), false, true);
    plain("german ü any case", QStringLiteral("Müller"), QStringLiteral("MÜL"), false, true);
    plain("swedish ö any case", QStringLiteral("Öberg"), QStringLiteral("ö"), false, true);
    plain("danish case-sensitive", QStringLiteral("Bjørn"), QStringLiteral("BJØRN"), true, false);
    plain("ß is not SS", QStringLiteral("Straße"), QStringLiteral("STRASSE"), false, false);
    plain("ß matches itself", QStringLiteral("Straße"), QStringLiteral("STRAßE"), false, true);

    wild("prefix", "abc", "a%", true);
    wild("prefix case-insensitive", "abc", "A%", true);
    wild("suffix", "abc", "%c", true);
    wild("suffix before line break", "abc\r\n", "%c", true);
    wild("suffix before tab", "abc\t", "%c", true);
    wild("suffix not at end", "abcd", "%c", false);
    wild("one any character", "abc", "a_c", true);
    wild("one is not two", "abbc", "a_c", false);
    wild("ß is one character", QStringLiteral("Straße"), "stra_e", true);
    wild("surrogate pair is one character", QStringLiteral("a\U0001F600c"), "a_c", true);
    wild("lone multi matches text", "anything", "%", true);
    wild("lone multi matches empty", "", "%", true);
    wild("double multi matches nothing", "abc", "%%", false);
    wild("double multi not even empty", "", "%%", false);
    wild("multi then single matches nothing", "abx", "%_x", false);
    wild("literal run eats the text's %", "ab%cd", "ab%", false);
    wild("two singles need two characters", "a", "__", false);
    wild("two singles on two characters", "ab", "__", true);
    wild("no wildcard is whole text", "abc", "abc", true);
    wild("no wildcard longer text", "abcd", "abc", false);
    wild("no wildcard text before", "xabc", "abc", false);
    wild("contains", "xxabcxx", "%abc%", true);
    wild("contains at start", "abc", "%abc%", true);
    wild("begins with", "abcdef", "abc%", true);
    wild("ends with", "xabc", "%abc", true);
    wild("ends with, only later occurrence at end", "abcxabc", "%abc", true);
    wild("middle run", "abbbc", "a%c", true);
    wild("two runs", "aXbYc", "a%b%c", true);
    wild("only first occurrence of a literal is tried", "abxabcd", "%ab_d", false);
    wild("empty pattern on empty text", "", "", true);
    wild("empty pattern on text", "x", "", false);
    wild("pattern left over", "ab", "abc", false);
    wild("danish in pattern", QStringLiteral("Ærø"), QStringLiteral("æ_Ø"), true);

    QTest::newRow("own wildcards") << "abc"
                                   << "*c" << false << true << "*"
                                   << "?" << true;
    QTest::newRow("own single") << "abc"
                                << "a?c" << false << true << "*"
                                << "?" << true;
    QTest::newRow("% is plain with own wildcards") << "abc"
                                                   << "%c" << false << true << "*"
                                                   << "?" << false;
    QTest::newRow("multi of two characters") << "abc"
                                             << "**c" << false << true << "**"
                                             << "?" << true;
    QTest::newRow("half a multi is plain") << "*bc"
                                           << "*bc" << false << true << "**"
                                           << "?" << true;
}

void TestMatcher::match()
{
    QFETCH(QString, text);
    QFETCH(QString, search);
    QFETCH(bool, caseSensitive);
    QFETCH(bool, wildcards);
    QFETCH(QString, multi);
    QFETCH(QString, single);
    QFETCH(bool, expected);

    Matcher::setMultiCharWildcard(multi);
    Matcher::setSingleCharWildcard(single.front());
    QCOMPARE(Matcher::match(text, search, caseSensitive, wildcards), expected);
}

void TestMatcher::upperCaseKeepsPositions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ascii") << "abc xyz"
                           << "ABC XYZ";
    QTest::newRow("nordic") << QStringLiteral("æøå äöü") << QStringLiteral("ÆØÅ ÄÖÜ");
    QTest::newRow("sharp s stays") << QStringLiteral("straße") << QStringLiteral("STRAßE");
    QTest::newRow("already upper") << QStringLiteral("ÆØÅ") << QStringLiteral("ÆØÅ");
    QTest::newRow("outside the basic plane")
        << QStringLiteral("\U00010428x") << QStringLiteral("\U00010400X");
}

void TestMatcher::upperCaseKeepsPositions()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(Matcher::upperCase(text), expected);
}

void TestMatcher::emptyMultiCharWildcardFallsBack()
{
    Matcher::setMultiCharWildcard(QString());
    QCOMPARE(Matcher::multiCharWildcard(), QStringLiteral("%"));
    Matcher::setMultiCharWildcard(QStringLiteral("#####"));
    QCOMPARE(Matcher::multiCharWildcard(), QStringLiteral("####"));
}

QTEST_APPLESS_MAIN(TestMatcher)
#include "test_matcher.moc"
