#include "core/search/Matcher.h"
#include "core/search/SearchColumnCache.h"

#include <QRandomGenerator>
#include <QTest>

#include <limits>

namespace {

// Search texts are prepared by the caller as the cache prepares its texts.
QString prepared(const QString& text, bool caseSensitive)
{
    return caseSensitive ? text : Matcher::upperCase(text);
}

// The record a search from `from` must find: the first whose stored value,
// cut as a search sees it, matches; -1 when none does.
int reference(const QStringList& values, FieldType type, int from, const QString& needle,
              bool caseSensitive, bool wildcards)
{
    for (int record = std::max(from, 0); record < values.size(); ++record)
        if (Matcher::match(SearchColumnCache::searchableText(values[record], type), needle,
                           caseSensitive, wildcards))
            return record;
    return -1;
}

int referencePrefix(const QStringList& values, FieldType type, int from, const QString& prefix)
{
    if (prefix.isEmpty() || from < 0)
        return -1;
    const QString wanted = Matcher::upperCase(prefix);
    for (int record = from; record < values.size(); ++record)
        if (Matcher::upperCase(SearchColumnCache::searchableText(values[record], type))
                .startsWith(wanted))
            return record;
    return -1;
}

// Up to maxLength characters drawn from letters.
QString randomString(QRandomGenerator& random, const QString& letters, int maxLength)
{
    QString text;
    for (int i = int(random.bounded(maxLength + 1)); i > 0; --i)
        text += letters[random.bounded(letters.size())];
    return text;
}

// A cache of the values, with or without its index.
struct Caches
{
    SearchColumnCache scanned, indexed;

    // step: the texts indexed in one step of a build spread over turns; 0
    // builds at once.
    Caches(const QStringList& values, FieldType type, bool caseSensitive, int step = 0)
    {
        const std::vector<QString> list(values.begin(), values.end());
        SearchColumnCache::setIndexedFrom(std::numeric_limits<int>::max());
        scanned.assign(list, type, caseSensitive);
        SearchColumnCache::setIndexedFrom(0);
        indexed.assign(list, type, caseSensitive);
        if (step == 0) {
            indexed.buildIndex();
            return;
        }
        while (!indexed.buildIndexSome(step))
            QVERIFY(!indexed.isIndexed()); // not used before it is whole
    }
};

} // namespace

class TestSearchIndex : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();

    void sameRecordAsScan_data();
    void sameRecordAsScan();
    void prefixSameAsScan_data();
    void prefixSameAsScan();
    void manyTextsSameAsScan_data();
    void manyTextsSameAsScan();
    void requiredLiteral_data();
    void requiredLiteral();
    void everyMatchHoldsRequiredLiteral();
    void indexBuiltOnlyForLargeCaches();

private:
    void compareAllStarts(const QStringList& values, FieldType type, const QString& needle,
                          bool caseSensitive, bool wildcards);
};

void TestSearchIndex::cleanup()
{
    SearchColumnCache::setIndexedFrom(SearchColumnCache::DefaultIndexedFrom);
    Matcher::setMultiCharWildcard(QStringLiteral("%"));
    Matcher::setSingleCharWildcard(u'_');
}

void TestSearchIndex::compareAllStarts(const QStringList& values, FieldType type,
                                       const QString& needle, bool caseSensitive, bool wildcards)
{
    const Caches caches(values, type, caseSensitive);
    const QString search = prepared(needle, caseSensitive);
    for (int from = -1; from <= values.size(); ++from) {
        const int expected = reference(values, type, from, needle, caseSensitive, wildcards);
        QCOMPARE(caches.indexed.find(from, search, wildcards), from < 0 ? -1 : expected);
        QCOMPARE(caches.scanned.find(from, search, wildcards), from < 0 ? -1 : expected);
    }
}

void TestSearchIndex::sameRecordAsScan_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<bool>("memo");
    QTest::addColumn<QString>("needle");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<bool>("wildcards");
    QTest::addColumn<QString>("multi");

    const QStringList names = {
        "Anders Andersen", "Bjørn Hansen", "",        "Carl Jensen", "Dorthe Andersen",
        "Øjvind Ørsted",   "Åse Åberg",    "ab",      "Hansen",      "Hans Hansen-Hansen",
        "anders and",      "Karl Nielsen", "Ib Ibsen"};
    const auto row = [&](const char* tag, const QString& needle, bool cs, bool wild,
                         const QStringList& values = {}) {
        QTest::newRow(tag) << (values.isEmpty() ? names : values) << false << needle << cs << wild
                           << QStringLiteral("%");
    };
    row("three letters", "and", false, false);
    row("longer literal", "ANDERSEN", false, false);
    row("case-sensitive", "And", true, false);
    row("case-sensitive lower", "and", true, false);
    row("danish letters", QStringLiteral("øjv"), false, false);
    row("danish case-sensitive", QStringLiteral("ØRS"), true, false);
    row("matches nothing", "qqxz", false, false);
    row("longer than any text", "Hans Hansen-Hansen and more", false, false);
    row("repeated trigram", "sense", false, false);
    row("one trigram over and over", "aaaa", false, false,
        {"aaa", "aaaa", "baaaa", "aaaaaaa", "aa"});
    row("the whole text", "Ib Ibsen", false, false);
    row("short needle scans", "an", false, false);
    row("two characters then more", "ib ", false, false);
    row("spaces", "n a", false, false);
    row("no match across texts", "ABHANS", false, false);
    row("NUL in the needle", QString::fromUtf16(u"ab\0Ha", 5), false, false);
    row("non-Latin-1", QStringLiteral("Ωμέ"), false, false,
        {QStringLiteral("Ωμέγα"), QStringLiteral("ωμέγα"), QStringLiteral("Пётр Ильич"),
         QStringLiteral("東京都港区")});
    row("cyrillic", QStringLiteral("ИЛЬ"), false, false,
        {QStringLiteral("Пётр Ильич"), QStringLiteral("Ильин"), QStringLiteral("Иль")});
    row("cjk", QStringLiteral("京都港"), false, false,
        {QStringLiteral("東京"), QStringLiteral("東京都港区"), QStringLiteral("京都港")});
    row("outside the basic plane", QStringLiteral("\U0001F600x\U0001F600"), false, false,
        {QStringLiteral("a\U0001F600x\U0001F600b"), QStringLiteral("\U0001F600X\U0001F600"),
         QStringLiteral("\U0001F600")});
    row("sharp s stays", QStringLiteral("aße"), false, false,
        {QStringLiteral("Straße"), QStringLiteral("STRASSE"), QStringLiteral("STRAßE")});

    row("wildcards: contains", "%ersen%", false, true);
    row("wildcards: suffix", "%sen", false, true);
    row("wildcards: prefix", "han%", false, true);
    row("wildcards: whole text", "hansen", false, true);
    row("wildcards: single", "hans_n", false, true);
    row("wildcards: single inside literal", "%an_ers%", false, true);
    row("wildcards: two literals", "%and%sen", false, true);
    row("wildcards: case-sensitive", "%Han%", true, true);
    row("wildcards: short literal scans", "%an%", false, true);
    row("wildcards: everything", "%", false, true);
    row("wildcards: nothing", "%%", false, true);
    row("wildcards: empty", "", false, true);
    row("wildcards: literal wildcard in text", "ab%cd", false, true, {"ab%cd", "abxcd", "ab%cdx"});
    row("wildcards: suffix before line break", "%sen", false, true,
        {"Hansen\r\n", "Hansenx", "Jensen\t"});

    QTest::newRow("multi of two characters")
        << names << false << QStringLiteral("**andersen") << false << true << QStringLiteral("**");
    QTest::newRow("multi made of letters")
        << names << false << QStringLiteral("ANDxxERS") << false << true << QStringLiteral("XX");

    const QString longMemo = QString(30000, u'x') + QStringLiteral("needle") + QString(30000, u'æ');
    const QStringList memos = {longMemo, QStringLiteral("a needle\r\n"),
                               QString(20000, u'æ') + QStringLiteral("needle"), "no"};
    QTest::newRow("memo: cut where its bytes end")
        << memos << true << QStringLiteral("needle") << false << false << QStringLiteral("%");
    QTest::newRow("memo: suffix before line break")
        << memos << true << QStringLiteral("%needle") << false << true << QStringLiteral("%");
    QTest::newRow("field: cut at 255 characters")
        << QStringList{QString(250, u'y') + QStringLiteral("needle"), QStringLiteral("needle")}
        << false << QStringLiteral("needle") << false << false << QStringLiteral("%");
}

void TestSearchIndex::sameRecordAsScan()
{
    QFETCH(QStringList, values);
    QFETCH(bool, memo);
    QFETCH(QString, needle);
    QFETCH(bool, caseSensitive);
    QFETCH(bool, wildcards);
    QFETCH(QString, multi);

    Matcher::setMultiCharWildcard(multi);
    compareAllStarts(values, memo ? FieldType::Memo : FieldType::Text, needle, caseSensitive,
                     wildcards);
}

void TestSearchIndex::prefixSameAsScan_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::newRow("three digits") << "203";
    QTest::newRow("whole number") << "20304050";
    QTest::newRow("longer than any") << "203040506070";
    QTest::newRow("inside only") << "304";
    QTest::newRow("two digits scan") << "20";
    QTest::newRow("empty") << "";
    QTest::newRow("letters any case") << "+45a";
}

void TestSearchIndex::prefixSameAsScan()
{
    QFETCH(QString, prefix);
    const QStringList numbers = {"20304050",     "30405060", "",         "2030",
                                 "+45 20304050", "+45A1",    "20304050", "99203040"};
    const Caches caches(numbers, FieldType::Text, false);
    const QString search = Matcher::upperCase(prefix);
    for (int from = -1; from <= numbers.size(); ++from) {
        const int expected = referencePrefix(numbers, FieldType::Text, from, prefix);
        QCOMPARE(caches.indexed.findPrefix(from, search), expected);
        QCOMPARE(caches.scanned.findPrefix(from, search), expected);
    }
}

// Thousands of texts of a few letters: trigrams repeat in many texts, buckets
// are shared, and most candidates fail the comparison.
void TestSearchIndex::manyTextsSameAsScan_data()
{
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<bool>("wildcards");
    QTest::addColumn<int>("step");
    QTest::newRow("plain") << false << false << 0;
    QTest::newRow("plain, case-sensitive") << true << false << 0;
    QTest::newRow("wildcards") << false << true << 0;
    QTest::newRow("built a text a step") << false << false << 1;
    QTest::newRow("built 333 texts a step") << false << true << 333;
    QTest::newRow("built in one step") << false << false << 5000;
}

void TestSearchIndex::manyTextsSameAsScan()
{
    QFETCH(bool, caseSensitive);
    QFETCH(bool, wildcards);
    QFETCH(int, step);
    QRandomGenerator random(1234);
    const QString letters = QStringLiteral("abAB øØ_%");
    const auto randomText = [&](int maxLength) { return randomString(random, letters, maxLength); };
    QStringList values;
    for (int i = 0; i < 5000; ++i)
        values << randomText(12);
    const Caches caches(values, FieldType::Text, caseSensitive, step);
    QVERIFY(caches.indexed.isIndexed());
    for (int i = 0; i < 300; ++i) {
        const QString needle = randomText(6);
        const int from = int(random.bounded(values.size()));
        const int expected =
            reference(values, FieldType::Text, from, needle, caseSensitive, wildcards);
        const QString search = prepared(needle, caseSensitive);
        QCOMPARE(caches.indexed.find(from, search, wildcards), expected);
        QCOMPARE(caches.scanned.find(from, search, wildcards), expected);
    }
}

void TestSearchIndex::requiredLiteral_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("multi");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no wildcard") << "abc"
                                 << "%"
                                 << "abc";
    QTest::newRow("longest part") << "ab%cdef_gh"
                                  << "%"
                                  << "cdef";
    QTest::newRow("first of equals") << "%abc%def"
                                     << "%"
                                     << "abc";
    QTest::newRow("wildcards alone") << "%_%"
                                     << "%"
                                     << "";
    QTest::newRow("multi of two") << "ab**cde"
                                  << "**"
                                  << "cde";
    QTest::newRow("overlapping multis") << "x***yz"
                                        << "**"
                                        << "yz";
    QTest::newRow("half a multi stays") << "abc*de"
                                        << "**"
                                        << "abc*de";
}

void TestSearchIndex::requiredLiteral()
{
    QFETCH(QString, pattern);
    QFETCH(QString, multi);
    QFETCH(QString, expected);
    Matcher::setMultiCharWildcard(multi);
    QCOMPARE(Matcher::requiredLiteral(pattern).toString(), expected);
}

// What the index relies on: a text that a pattern matches holds the pattern's
// required literal, whatever the wildcards are.
void TestSearchIndex::everyMatchHoldsRequiredLiteral()
{
    QRandomGenerator random(99);
    const QString letters = QStringLiteral("abc%*_");
    const auto randomText = [&](int maxLength) { return randomString(random, letters, maxLength); };
    const QString multis[] = {QStringLiteral("%"), QStringLiteral("**"), QStringLiteral("a*"),
                              QStringLiteral("*_")};
    int matches = 0;
    for (const QString& multi : multis) {
        Matcher::setMultiCharWildcard(multi);
        for (int i = 0; i < 20000; ++i) {
            const QString text = randomText(8);
            const QString pattern = randomText(6);
            if (!Matcher::matchPattern(text, pattern))
                continue;
            ++matches;
            QVERIFY2(text.contains(Matcher::requiredLiteral(pattern)),
                     qPrintable(multi + u' ' + pattern + u' ' + text));
        }
    }
    QVERIFY(matches > 1000);
}

void TestSearchIndex::indexBuiltOnlyForLargeCaches()
{
    SearchColumnCache cache;
    cache.assign(std::vector<QString>(100, QStringLiteral("Hans Hansen")), FieldType::Text, false);
    QVERIFY(!cache.indexPending());
    cache.buildIndex();
    QVERIFY(!cache.isIndexed());
    cache.assign(std::vector<QString>(size_t(SearchColumnCache::indexedFrom()),
                                      QStringLiteral("Hans Hansen")),
                 FieldType::Text, false);
    QVERIFY(cache.indexPending());
    QCOMPARE(cache.find(10, QStringLiteral("HANSEN"), false), 10); // scanned meanwhile
    cache.buildIndex();
    QVERIFY(cache.isIndexed());
    QVERIFY(!cache.indexPending());
    QCOMPARE(cache.find(10, QStringLiteral("HANSEN"), false), 10);
}

QTEST_APPLESS_MAIN(TestSearchIndex)
#include "test_searchindex.moc"
