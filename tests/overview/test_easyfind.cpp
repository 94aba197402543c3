#include "TestSupport.h"

#include "core/data/DM.h"
#include "core/search/EasyFind.h"
#include "core/search/Matcher.h"
#include "core/store/DatabaseError.h"

#include <QGuiApplication>
#include <QTest>

#include <limits>
#include <memory>

namespace {

struct Contact
{
    const char* navn;
    const char* telefon;
    const char* nogleord;
};

// Name order: Anders, Bjørn, Carl, Dorthe, Øjvind, Åse.
// Phone order: Carl, Bjørn, Anders, Dorthe, Øjvind, Åse.
const Contact Contacts[] = {
    {"Anders And", "30000001", "Familie"},  {"Bjørn Hansen", "20000002", "Venner"},
    {"Carl Jensen", "10000003", "Familie"}, {"Dorthe Andersen", "40000004", "Venner"},
    {"Øjvind Ørsted", "50000005", ""},      {"Åse Åberg", "60000006", "Familie"},
};

// The cases that search the cached texts run on a scanned cache and on an
// indexed one.
void addCacheKinds()
{
    QTest::addColumn<bool>("indexed");
    QTest::newRow("scanned") << false;
    QTest::newRow("indexed") << true;
}

void useCacheKind()
{
    QFETCH(bool, indexed);
    SearchColumnCache::setIndexedFrom(indexed ? 0 : std::numeric_limits<int>::max());
}

} // namespace

class TestEasyFind : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void findFirst_data();
    void findFirst();
    void findNextStepsAndStops();
    void findNextFromLastRecordTestsItAgain();
    void findNextRefused_data();
    void findNextRefused();
    void searchFieldByLabel_data();
    void searchFieldByLabel();
    void emptyTable();
    void sameAsRecordByRecordWalk_data();
    void sameAsRecordByRecordWalk();
    void cacheFollowsChanges_data() { addCacheKinds(); }
    void cacheFollowsChanges();
    void cacheReadBetweenKeysFollowsChanges_data() { addCacheKinds(); }
    void cacheReadBetweenKeysFollowsChanges();
    void slicedReadFollowsChanges_data();
    void slicedReadFollowsChanges();
    void twoSlicedReadsAtOnce();
    void pendingEditIsPostedFirst();
    void controlsHearOnceAndCursorIsRestored();
    void longValuesAreCut_data() { addCacheKinds(); }
    void longValuesAreCut();
    void memoEndingInLineBreak_data() { addCacheKinds(); }
    void memoEndingInLineBreak();
    void searchKeyIsCutAt255();
    void missingOrClosedDataSet();

private:
    TTable& table() { return *m_dm->TelefonTable; }
    void addContact(const QString& navn, const QString& telefon, const QString& nogleord = {},
                    const QString& notater = {});
    QString currentName() { return table().FieldByName(QStringLiteral("Navn")).AsString(); }
    void setView(const QString& index, const QString& keyword);
    int referenceWalk(int start, const QString& field, const QString& key, bool caseSensitive,
                      bool wildcards);

    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<TEasyFind> m_find;
};

void TestEasyFind::init()
{
    m_folder = std::make_unique<TempDataFolder>();
    m_dm = std::make_unique<TDM>(nullptr, m_folder->data());
    m_dm->RegTable->Open();
    table().Open();
    for (const Contact& c : Contacts)
        addContact(QString::fromUtf8(c.navn), QString::fromUtf8(c.telefon),
                   QString::fromUtf8(c.nogleord));
    m_find = std::make_unique<TEasyFind>(nullptr, QStringLiteral("EasyFind1"));
    m_find->SetDataSource(m_dm->TelefonSource);
    m_find->SetSearchField(QStringLiteral("Navn"));
}

void TestEasyFind::cleanup()
{
    SearchColumnCache::setIndexedFrom(SearchColumnCache::DefaultIndexedFrom);
    m_find.reset();
    m_dm.reset();
    m_folder.reset();
}

void TestEasyFind::addContact(const QString& navn, const QString& telefon, const QString& nogleord,
                              const QString& notater)
{
    table().Insert();
    table().FieldByName(QStringLiteral("Navn")).SetAsString(navn);
    table().FieldByName(QStringLiteral("Telefon")).SetAsString(telefon);
    table().FieldByName(QStringLiteral("Nogleord")).SetAsString(nogleord);
    table().FieldByName(QStringLiteral("Notater")).SetAsString(notater);
    table().Post();
}

void TestEasyFind::setView(const QString& index, const QString& keyword)
{
    table().SetIndexName(index);
    if (!keyword.isEmpty()) {
        table().SetFilter(QStringLiteral("Nogleord = '%1'").arg(keyword));
        table().SetFiltered(true);
    }
}

// Tests record after record with the cursor itself, as a plain walk would.
int TestEasyFind::referenceWalk(int start, const QString& field, const QString& key,
                                bool caseSensitive, bool wildcards)
{
    TField& f = table().FieldByName(field);
    table().MoveToIndex(start);
    for (;;) {
        const QString text = SearchColumnCache::searchableText(f.EditText(), f.DataType());
        if (Matcher::match(text, key, caseSensitive, wildcards))
            return table().CurrentIndex();
        table().Next();
        if (table().Eof())
            return -1;
    }
}

void TestEasyFind::findFirst_data()
{
    QTest::addColumn<QString>("index");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected"); // empty: the record current before stays

    QTest::newRow("name order") << ""
                                << ""
                                << "an"
                                << "Anders And";
    QTest::newRow("upper key") << ""
                               << ""
                               << "AN"
                               << "Anders And";
    QTest::newRow("anywhere in the name") << ""
                                          << ""
                                          << "sen"
                                          << "Bjørn Hansen";
    QTest::newRow("phone order") << "IndexTelefon"
                                 << ""
                                 << "an"
                                 << "Bjørn Hansen";
    QTest::newRow("filter") << ""
                            << "Familie"
                            << "an"
                            << "Anders And";
    QTest::newRow("filter skips") << ""
                                  << "Venner"
                                  << "an"
                                  << "Bjørn Hansen";
    QTest::newRow("filtered out") << ""
                                  << "Venner"
                                  << "jens"
                                  << "";
    QTest::newRow("ø lower finds ø") << ""
                                     << "" << QStringLiteral("ø") << "Bjørn Hansen";
    QTest::newRow("Ø upper finds ø") << ""
                                     << "" << QStringLiteral("Ø") << "Bjørn Hansen";
    QTest::newRow("øj lower finds Øj") << ""
                                       << "" << QStringLiteral("øj") << "Øjvind Ørsted";
    QTest::newRow("å finds Å") << ""
                               << "" << QStringLiteral("åberg") << "Åse Åberg";
    QTest::newRow("no match") << ""
                              << ""
                              << "xyz"
                              << "";
    QTest::newRow("empty key") << ""
                               << ""
                               << ""
                               << "";
    QTest::newRow("empty key filtered") << "IndexTelefon"
                                        << "Familie"
                                        << ""
                                        << "";
}

void TestEasyFind::findFirst()
{
    QFETCH(QString, index);
    QFETCH(QString, keyword);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    setView(index, keyword);
    table().Last();
    const QString before = currentName();
    m_find->SetSearchKey(key);
    m_find->FindFirst();
    QCOMPARE(currentName(), expected.isEmpty() ? before : expected);
}

void TestEasyFind::findNextStepsAndStops()
{
    m_find->SetSearchKey(QStringLiteral("an"));
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Anders And"));
    m_find->FindNext();
    QCOMPARE(currentName(), QStringLiteral("Bjørn Hansen"));
    m_find->FindNext();
    QCOMPARE(currentName(), QStringLiteral("Dorthe Andersen"));
    // No wrap-around: after the last match the current record stays.
    m_find->FindNext();
    QCOMPARE(currentName(), QStringLiteral("Dorthe Andersen"));
    m_find->FindNext();
    QCOMPARE(currentName(), QStringLiteral("Dorthe Andersen"));

    // The same key in another letter case is the same search.
    table().First();
    m_find->SetSearchKey(QStringLiteral("AN"));
    m_find->FindNext();
    QCOMPARE(currentName(), QStringLiteral("Bjørn Hansen"));
}

void TestEasyFind::findNextFromLastRecordTestsItAgain()
{
    m_find->SetSearchKey(QStringLiteral("berg"));
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Åse Åberg"));
    m_find->FindNext();
    QCOMPARE(currentName(), QStringLiteral("Åse Åberg"));

    m_find->SetSearchKey(QStringLiteral("an"));
    m_find->FindFirst();
    table().Last();
    m_find->FindNext();
    QCOMPARE(currentName(), QStringLiteral("Åse Åberg"));
}

void TestEasyFind::findNextRefused_data()
{
    QTest::addColumn<bool>("searchFirst");
    QTest::addColumn<QString>("firstKey");
    QTest::addColumn<QString>("nextKey");
    QTest::addColumn<QString>("nextField");

    QTest::newRow("no search before") << false << "an"
                                      << "an"
                                      << "Navn";
    QTest::newRow("empty key") << true << ""
                               << ""
                               << "Navn";
    QTest::newRow("key changed") << true << "an"
                                 << "and"
                                 << "Navn";
    QTest::newRow("field changed") << true << "an"
                                   << "an"
                                   << "Telefonnr";
    QTest::newRow("danish letter case is not ascii")
        << true << QStringLiteral("ø") << QStringLiteral("Ø") << "Navn";
}

void TestEasyFind::findNextRefused()
{
    QFETCH(bool, searchFirst);
    QFETCH(QString, firstKey);
    QFETCH(QString, nextKey);
    QFETCH(QString, nextField);

    m_find->SetSearchKey(firstKey);
    if (searchFirst)
        m_find->FindFirst();
    table().MoveToIndex(2);
    m_find->SetSearchKey(nextKey);
    m_find->SetSearchField(nextField);
    try {
        m_find->FindNext();
        QFAIL("FindNext went ahead");
    } catch (const EDBSearchError& e) {
        QCOMPARE(e.message(), QStringLiteral("No initial Find/Locate done first"));
    }
    QCOMPARE(table().CurrentIndex(), 2);
}

void TestEasyFind::searchFieldByLabel_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("field name in any case") << "telefon"
                                            << "0003"
                                            << "Carl Jensen";
    QTest::newRow("unknown field searches the first") << "Telefonnr"
                                                      << "jens"
                                                      << "Carl Jensen";
    QTest::newRow("unknown field, phone text") << "Telefonnr"
                                               << "0003"
                                               << "";
    QTest::newRow("empty field searches the first") << ""
                                                    << "dorthe"
                                                    << "Dorthe Andersen";
}

void TestEasyFind::searchFieldByLabel()
{
    QFETCH(QString, field);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    table().Last();
    m_find->SetSearchField(field);
    m_find->SetSearchKey(key);
    m_find->FindFirst();
    QCOMPARE(currentName(), expected.isEmpty() ? QStringLiteral("Åse Åberg") : expected);
    // The search field counts as the last search even when it names no field.
    table().First();
    m_find->FindNext();
}

void TestEasyFind::emptyTable()
{
    table().SetFilter(QStringLiteral("Nogleord = 'Ingen'"));
    table().SetFiltered(true);
    QVERIFY(table().IsEmpty());
    for (bool wildcards : {false, true}) {
        m_find->SetAllowWildcards(wildcards);
        m_find->SetSearchKey(QStringLiteral("%"));
        m_find->FindFirst();
        m_find->FindNext();
        QCOMPARE(table().CurrentIndex(), -1);
    }
}

void TestEasyFind::sameAsRecordByRecordWalk_data()
{
    QTest::addColumn<QString>("index");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<bool>("wildcards");
    QTest::addColumn<bool>("indexed");

    struct Case
    {
        const char* tag;
        const char* index;
        const char* field;
        QString key;
        bool caseSensitive;
        bool wildcards;
    };
    const Case cases[] = {
        {"plain", "", "Navn", "an", false, false},
        {"plain, case-sensitive", "", "Navn", "An", true, false},
        {"plain danish", "IndexTelefon", "Navn", QStringLiteral("ø"), false, false},
        {"phone field", "IndexTelefon", "Telefon", "000", false, false},
        {"suffix", "", "Navn", "%sen", false, true},
        {"prefix, case-sensitive", "IndexTelefon", "Navn", "A%", true, true},
        {"single", "", "Navn", "_j%", false, true},
        {"everything", "IndexTelefon", "Navn", "%", false, true},
        {"empty pattern", "", "Nogleord", "", false, true},
        {"keyword field", "", "Nogleord", "familie", false, false},
        {"longer", "", "Navn", "ders", false, false},
        {"longer, case-sensitive", "IndexTelefon", "Navn", "Jensen", true, false},
        {"two literals", "", "Navn", "%an%sen", false, true},
        {"danish literal", "", "Navn", QStringLiteral("ørs%"), false, true},
    };
    for (const bool indexed : {false, true})
        for (const Case& c : cases)
            QTest::addRow("%s%s", c.tag, indexed ? ", indexed" : "")
                << QString::fromLatin1(c.index) << QString::fromLatin1(c.field) << c.key
                << c.caseSensitive << c.wildcards << indexed;
}

void TestEasyFind::sameAsRecordByRecordWalk()
{
    useCacheKind();
    QFETCH(bool, indexed);
    QFETCH(QString, index);
    QFETCH(QString, field);
    QFETCH(QString, key);
    QFETCH(bool, caseSensitive);
    QFETCH(bool, wildcards);

    addContact(QString(), QStringLiteral("70000007")); // a record with an empty name
    setView(index, QString());
    m_find->SetSearchField(field);
    m_find->SetSearchKey(key);
    m_find->SetCaseSensitive(caseSensitive);
    m_find->SetAllowWildcards(wildcards);
    const int count = table().RecordCount();

    // current -1: FindFirst from the last record; else FindNext from current,
    // which an empty key does not allow.
    const int last = key.isEmpty() ? 0 : count;
    for (int current = -1; current < last; ++current) {
        const int before = current < 0 ? count - 1 : current;
        const int start = current < 0 ? 0 : std::min(current + 1, count - 1);
        const int expected = referenceWalk(start, field, key, caseSensitive, wildcards);
        if (current >= 0)
            m_find->FindFirst();
        table().MoveToIndex(before);
        // The texts are read, and then indexed, between the keys.
        for (int turn = 0; turn < 3; ++turn)
            QCoreApplication::processEvents();
        if (current >= 0 && indexed)
            QVERIFY(SearchColumnCache::shared(table(), table().FieldByName(field).Index(),
                                              caseSensitive)
                        ->isIndexed());
        if (current < 0)
            m_find->FindFirst();
        else
            m_find->FindNext();
        QCOMPARE(table().CurrentIndex(), expected < 0 ? before : expected);
    }
}

// Once searched, the texts are read again as soon as the event loop is
// free after a change: what they give must be the records as they are then.
void TestEasyFind::cacheReadBetweenKeysFollowsChanges()
{
    useCacheKind();
    m_find->SetSearchKey(QStringLiteral("zed"));
    m_find->FindFirst();
    addContact(QStringLiteral("Zoe Zed"), QStringLiteral("70000007"));
    QCoreApplication::processEvents();
    table().First();
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Zoe Zed")); // posted a moment ago

    table().Edit();
    table().FieldByName(QStringLiteral("Navn")).SetAsString(QStringLiteral("Zoe Zoo"));
    table().Post();
    QCoreApplication::processEvents();
    table().First();
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Anders And")); // renamed: no longer found

    m_find->SetSearchKey(QStringLiteral("zoo"));
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Zoe Zoo"));
    table().Delete();
    QCoreApplication::processEvents();
    table().First();
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Anders And")); // deleted: not found
}

void TestEasyFind::cacheFollowsChanges()
{
    useCacheKind();
    table().First();
    m_find->SetSearchKey(QStringLiteral("zed"));
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Anders And")); // nothing found, stays

    // A post
    table().MoveToIndex(2);
    table().Edit();
    table().FieldByName(QStringLiteral("Navn")).SetAsString(QStringLiteral("Carl Zed"));
    table().Post();
    table().First();
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Carl Zed"));

    // A delete
    m_find->SetSearchKey(QStringLiteral("and"));
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Anders And"));
    table().Delete();
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Dorthe Andersen"));

    // A filter, lifted again
    m_find->SetSearchKey(QStringLiteral("n"));
    setView(QString(), QStringLiteral("Familie"));
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Carl Zed"));
    table().SetFiltered(false);
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Bjørn Hansen"));

    // An index change
    m_find->SetSearchKey(QStringLiteral("e"));
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Bjørn Hansen"));
    table().SetIndexName(QStringLiteral("IndexTelefon"));
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Carl Zed"));

    // The letter case setting and the field
    m_find->SetSearchKey(QStringLiteral("D"));
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Carl Zed"));
    m_find->SetCaseSensitive(true);
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Dorthe Andersen"));
    m_find->SetSearchField(QStringLiteral("Telefon"));
    m_find->SetSearchKey(QStringLiteral("5"));
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Øjvind Ørsted"));
}

// A read in slices over the event loop's turns, with a change between two
// slices: the cache ends up holding the records as they are after it.
void TestEasyFind::slicedReadFollowsChanges_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("slice");
    for (int slice : {1, 2, 3}) {
        for (const char* change : {"none", "insert", "rename", "delete", "filter", "order"})
            QTest::addRow("%s, %d a slice", change, slice) << QString::fromUtf8(change) << slice;
    }
}

void TestEasyFind::slicedReadFollowsChanges()
{
    QFETCH(QString, change);
    QFETCH(int, slice);
    const int field = table().FieldByName(QStringLiteral("Navn")).Index();
    SearchColumnCache cache;
    QVERIFY(!cache.refreshSome(table(), field, false, slice));
    QVERIFY(cache.isReading());
    QVERIFY(!cache.refreshSome(table(), field, false, slice));
    if (change == u"insert") {
        addContact(QStringLiteral("Aage Aagaard"), QStringLiteral("70000007"));
    } else if (change == u"rename") {
        table().First();
        table().Edit();
        table().FieldByName(QStringLiteral("Navn")).SetAsString(QStringLiteral("Zakarias"));
        table().Post();
    } else if (change == u"delete") {
        table().First();
        table().Delete();
    } else if (change == u"filter") {
        setView(QString(), QStringLiteral("Familie"));
    } else if (change == u"order") {
        setView(QStringLiteral("IndexTelefon"), QString());
    }
    int calls = 0;
    while (!cache.refreshSome(table(), field, false, slice))
        QVERIFY(++calls < 100);
    QVERIFY(!cache.isReading());
    QVERIFY(cache.isCurrent(table(), field, false));
    const std::vector<QString> names = table().ColumnInOrder(field);
    QCOMPARE(cache.size(), int(names.size()));
    for (int i = 0; i < cache.size(); ++i)
        QCOMPARE(cache.text(i).toString(), Matcher::upperCase(names[size_t(i)]));
}

// Two caches of the same table read in turns: neither starts the other over.
void TestEasyFind::twoSlicedReadsAtOnce()
{
    const int names = table().FieldByName(QStringLiteral("Navn")).Index();
    const int numbers = table().FieldByName(QStringLiteral("Telefon")).Index();
    SearchColumnCache byName, byNumber;
    bool nameDone = false, numberDone = false;
    for (int turn = 0; turn < int(std::size(Contacts)) + 1; ++turn) {
        nameDone = byName.refreshSome(table(), names, false, 1);
        numberDone = byNumber.refreshSome(table(), numbers, false, 1);
    }
    QVERIFY(nameDone);
    QVERIFY(numberDone);
    QCOMPARE(byNumber.size(), int(std::size(Contacts)));
    QCOMPARE(byName.text(0).toString(), QStringLiteral("ANDERS AND"));
}

void TestEasyFind::pendingEditIsPostedFirst()
{
    table().MoveToIndex(3);
    table().Edit();
    table().FieldByName(QStringLiteral("Navn")).SetAsString(QStringLiteral("Dorthe Xenia"));
    m_find->SetSearchKey(QStringLiteral("xenia"));
    m_find->FindFirst();
    QCOMPARE(table().State(), DataSetState::Browse);
    QCOMPARE(currentName(), QStringLiteral("Dorthe Xenia"));
}

void TestEasyFind::controlsHearOnceAndCursorIsRestored()
{
    int changes = 0;
    m_dm->TelefonSource->OnDataChange = [&](TDataSource&, TField*) { ++changes; };
    table().First();
    changes = 0;
    m_find->SetSearchKey(QStringLiteral("ørsted"));
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Øjvind Ørsted"));
    QCOMPARE(changes, 1);
    QVERIFY(!table().ControlsDisabled());
    QVERIFY(!QGuiApplication::overrideCursor());

    // Nothing found: the controls keep what they show and hear nothing.
    changes = 0;
    m_find->SetSearchKey(QStringLiteral("qqxz"));
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Øjvind Ørsted"));
    QCOMPARE(changes, 0);
    // Nothing found after an edit: the post is told, once.
    table().Edit();
    table().FieldByName(QStringLiteral("Adresse1")).SetAsString(QStringLiteral("Vej 1"));
    changes = 0;
    m_find->FindFirst();
    QCOMPARE(table().State(), DataSetState::Browse);
    QCOMPARE(changes, 1);

    table().Close();
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, m_find->FindFirst());
    QVERIFY(!table().ControlsDisabled());
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestEasyFind::longValuesAreCut()
{
    useCacheKind();
    // A plain field is searched in its first 255 characters only.
    addContact(QString(250, u'x') + QStringLiteral("early"), QStringLiteral("1"));
    addContact(QString(260, u'y') + QStringLiteral("late"), QStringLiteral("2"));
    m_find->SetSearchKey(QStringLiteral("early"));
    m_find->FindFirst();
    QVERIFY(currentName().endsWith(QStringLiteral("early")));
    m_find->SetSearchKey(QStringLiteral("late"));
    table().First();
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Anders And"));
    // A character of two units across the cut is left out whole.
    addContact(QString(254, u'w') + QStringLiteral("\U0001F600"), QStringLiteral("5"));
    m_find->SetSearchKey(QStringLiteral("w\U0001F600"));
    table().First();
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Anders And"));
    m_find->SetSearchKey(QString(254, u'w'));
    m_find->FindFirst();
    QVERIFY(currentName().startsWith(QString(254, u'w')));

    // A memo in its first 65,280 bytes: ø takes two of them.
    const QString head = QString(32639, QChar(0xF8)) + u'x'; // 65,279 bytes
    addContact(QStringLiteral("Memo Ok"), QStringLiteral("3"), {}, head + QStringLiteral("q"));
    addContact(QStringLiteral("Memo Long"), QStringLiteral("4"), {}, head + QStringLiteral("øz"));
    m_find->SetSearchField(QStringLiteral("Notater"));
    m_find->SetSearchKey(QStringLiteral("xq"));
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Memo Ok"));
    m_find->SetSearchKey(QStringLiteral("xø"));
    table().First();
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Anders And"));
}

void TestEasyFind::memoEndingInLineBreak()
{
    useCacheKind();
    addContact(QStringLiteral("Memo Person"), QStringLiteral("5"), {}, QStringLiteral("abc\r\n"));
    m_find->SetSearchField(QStringLiteral("Notater"));
    m_find->SetAllowWildcards(true);
    m_find->SetSearchKey(QStringLiteral("%C"));
    m_find->FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Memo Person"));
}

void TestEasyFind::searchKeyIsCutAt255()
{
    m_find->SetSearchKey(QString(300, u'k'));
    QCOMPARE(m_find->SearchKey().size(), 255);
    // A surrogate pair is not cut in half.
    m_find->SetSearchKey(QString(254, u'k') + QStringLiteral("\U0001F600"));
    QCOMPARE(m_find->SearchKey(), QString(254, u'k'));
}

void TestEasyFind::missingOrClosedDataSet()
{
    TEasyFind find(nullptr, QStringLiteral("EasyFind2"));
    find.SetSearchKey(QStringLiteral("an"));
    QVERIFY_THROWS_EXCEPTION(Exception, find.FindFirst());
    find.SetDataSource(m_dm->TelefonSource);
    find.FindFirst();
    QCOMPARE(currentName(), QStringLiteral("Anders And"));
    // A removed data source is forgotten.
    delete m_dm->TelefonSource;
    QCOMPARE(find.DataSource(), nullptr);
    QVERIFY_THROWS_EXCEPTION(Exception, find.FindFirst());
}

QTEST_MAIN(TestEasyFind)
#include "test_easyfind.moc"
