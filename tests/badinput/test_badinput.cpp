// Bad input through the real windows: very long texts, control characters
// and text outside Windows-1252 in every edit, quotes in every box that
// ends in a filter or a search, impossible dates in every date box, and the
// language file writer's rule for characters the code page cannot hold.
#include "MainWindowFixture.h"
#include "RecordingDialogs.h"
#include "TestSupport.h"

#include "core/data/DM.h"
#include "core/i18n/LanguageFile.h"
#include "core/i18n/LocalError.h"
#include "core/store/DataSource.h"
#include "core/store/DatabaseError.h"
#include "core/store/FilterExpression.h"
#include "core/store/Table.h"
#include "gui/controls/DBDateEdit.h"
#include "gui/controls/DBEdit.h"
#include "gui/controls/DBLookupComboBox.h"
#include "gui/controls/DBMemo.h"
#include "gui/pages/birthdays/BirthdaysPage.h"
#include "gui/pages/details/DetailsPage.h"
#include "gui/pages/family/FamilyPage.h"
#include "gui/pages/overview/OverviewPage.h"
#include "gui/windows/PhoneForm.h"
#include "ui_BirthdaysPage.h"
#include "ui_DetailsPage.h"
#include "ui_FamilyPage.h"
#include "ui_OverviewPage.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>

namespace {

const QString Emoji =
    QStringLiteral("a\U0001F600\U0001F468\u200D\U0001F469\u200D\U0001F467 b\U0001F44D");
const QString Chinese = QStringLiteral("王小明 北京市朝阳区");

// A text of the given length that is not all one letter.
QString longText(int length)
{
    QString text;
    while (text.size() < length)
        text += QStringLiteral("Lang tekst med æøå ÆØÅ 0123456789 ");
    return text.left(length);
}

// The edits of a tab sheet the user can type into that hold text.
QList<QWidget*> textEdits(QWidget* sheet)
{
    QList<QWidget*> edits;
    auto take = [&](QWidget* w, FieldBound& bound) {
        TTable* table = bound.DataSource() ? bound.DataSource()->DataSet() : nullptr;
        if (!table || !w->isVisibleTo(sheet) || bound.ReadOnly())
            return;
        const FieldType type = table->FieldByName(bound.DataField()).DataType();
        if (type == FieldType::Text || type == FieldType::Memo)
            edits << w;
    };
    for (TDBEdit* e : sheet->findChildren<TDBEdit*>())
        take(e, *e);
    for (TDBMemo* m : sheet->findChildren<TDBMemo*>())
        take(m, *m);
    return edits;
}

QString shownText(QWidget* w)
{
    if (auto* e = qobject_cast<TDBEdit*>(w))
        return e->text();
    return static_cast<TDBMemo*>(w)->text();
}

FieldBound& boundOf(QWidget* w)
{
    if (auto* e = qobject_cast<TDBEdit*>(w))
        return *e;
    return *static_cast<TDBMemo*>(w);
}

// "Table.Field" of the control.
QString fieldOf(QWidget* w)
{
    FieldBound& bound = boundOf(w);
    return bound.DataSource()->DataSet()->Definition()->name + u'.' + bound.DataField();
}

// Pastes the text over what the control holds, as the user does with Ctrl+A, Ctrl+V.
void pasteInto(QWidget* w, const QString& text)
{
    w->setFocus();
    QApplication::clipboard()->setText(text);
    QTest::keySequence(w, QKeySequence::SelectAll);
    QTest::keySequence(w, QKeySequence::Paste);
}

} // namespace

class TestBadInput : public QObject
{
    Q_OBJECT
    std::unique_ptr<MainWindowFixture> m_app;

    TTable& contacts() { return m_app->contacts(); }
    RecordingDialogs& dialogs() { return m_app->dialogs(); }
    Ui::DetailsPage& details() { return m_app->form().DetailsPage()->Form(); }
    Ui::FamilyPage& family() { return m_app->form().FamilyPage()->Form(); }
    Ui::OverviewPage& overview() { return m_app->form().OverviewPage()->Form(); }
    Ui::BirthdaysPage& birthdays() { return m_app->form().BirthdaysPage()->Form(); }

    void addMember(const QString& name)
    {
        m_app->showPage("TabSheet2");
        QTest::mouseClick(family().Button1, Qt::LeftButton);
        typeText(family().SpouseEdit, name);
        QTest::mouseClick(family().Button3, Qt::LeftButton);
        QCOMPARE(m_app->members().RecordCount(), 1);
    }

    // A contact, on the family page with a member, and the page brought
    // forward; whether it is the family page.
    bool showWithRecord(const QString& sheet)
    {
        addContact(contacts(), QStringLiteral("Anna"), QStringLiteral("1"));
        const bool onFamily = sheet == u"TabSheet2";
        if (onFamily)
            addMember(QStringLiteral("Bo"));
        m_app->showPage(qPrintable(sheet));
        return onFamily;
    }

private slots:
    void init() { m_app = std::make_unique<MainWindowFixture>(); }
    void cleanup() { m_app.reset(); }

    // --- texts in every edit ----------------------------------------------------

    void textInEveryEdit_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("text");
        const QList<QPair<const char*, QString>> texts = {
            {"10,000 characters", longText(10000)},
            {"control characters", QStringLiteral("a\tb\x01"
                                                  "c\x1B"
                                                  "d\x7F"
                                                  "e\u0085f\u200Bg")},
            {"emoji", Emoji},
            {"Chinese", Chinese},
            {"quotes", QStringLiteral("O'Brien \"Bob\" '' \"\" ' or 1=1 --")},
        };
        for (const char* sheet : {"TabSheet1", "TabSheet2", "TabSheet3"})
            for (const auto& [name, text] : texts)
                QTest::addRow("%s, %s", sheet, name) << sheet << text;
    }

    // Pasted into every edit of a page and kept through the close: the
    // file holds what each box showed, and each box showed the text.
    void textInEveryEdit()
    {
        QFETCH(QString, sheet);
        QFETCH(QString, text);
        const bool onFamily = showWithRecord(sheet);
        const QList<QWidget*> edits = textEdits(m_app->tabSheet(qPrintable(sheet)));
        QVERIFY(edits.size() >= 4);

        QMap<QString, QString> shown;
        for (QWidget* edit : edits) {
            pasteInto(edit, text);
            // A box may cut a text at its field's size; the rest must be the text.
            const QString seen = shownText(edit);
            QVERIFY2(text.mid(1).startsWith(seen.mid(1)) || seen == text,
                     qPrintable(fieldOf(edit) + QStringLiteral(": ") + seen.left(40)));
            // Never half a character, which no file could store.
            QVERIFY(seen.isValidUtf16());
            shown.insert(fieldOf(edit), seen);
        }
        edits.front()->setFocus();
        for (QWidget* edit : edits)
            shown.insert(fieldOf(edit), shownText(edit)); // as left, tidied
        m_app->form().close();
        QVERIFY2(dialogs().messages.isEmpty(), qPrintable(dialogs().texts().join(u'\n')));

        TDM stored(nullptr, m_app->folder().data());
        stored.TelefonTable->Open();
        stored.FamAllTable->Open();
        QCOMPARE(stored.TelefonTable->RecordCount(), 1);
        QCOMPARE(stored.FamAllTable->RecordCount(), onFamily ? 1 : 0);
        for (auto it = shown.cbegin(); it != shown.cend(); ++it) {
            const auto [table, field] =
                std::pair(it.key().section(u'.', 0, 0), it.key().section(u'.', 1));
            TTable& t = table == u"Familie" ? *stored.FamAllTable : *stored.TelefonTable;
            QCOMPARE(t.FieldByName(field).AsString(), it.value());
        }
    }

    // --- dates ------------------------------------------------------------------

    void impossibleDate_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("typed");
        for (const char* sheet : {"TabSheet1", "TabSheet2"})
            for (const char* typed : {"31022020", "00000000", "1-1-20", "29022021", "99999999",
                                      "31-04-2020", "32-01-2020", "01-13-2020", "1"})
                QTest::addRow("%s, %s", sheet, typed) << sheet << typed;
    }

    // A date that does not exist is told when the box is left and again
    // when the record is saved; the record stays in edit with the box as
    // typed and with the rest of what was typed, until the date is mended.
    void impossibleDate()
    {
        QFETCH(QString, sheet);
        QFETCH(QString, typed);
        const bool onFamily = showWithRecord(sheet);
        TDBDateEdit* box = onFamily ? family().DBDateEdit2 : details().DBDateEdit1;
        TDBEdit* other = onFamily ? family().DBEdit24 : details().DBEdit8;
        TTable& table = onFamily ? m_app->members() : contacts();

        other->setFocus();
        typeText(other, QStringLiteral("kept"));
        box->setFocus();
        QTest::keySequence(box->lineEdit(), QKeySequence::SelectAll);
        QTest::keyClicks(box->lineEdit(), typed);
        const QString shown = box->text();
        other->setFocus();
        QCOMPARE(dialogs().messages.size(), 1);
        QVERIFY2(dialogs().messages[0].text.contains(shown.trimmed()),
                 qPrintable(dialogs().messages[0].text));
        QCOMPARE(table.State(), DataSetState::Edit);
        QCOMPARE(box->text(), shown);

        QVERIFY_THROWS_EXCEPTION(EDatabaseError, table.Post());
        QCOMPARE(table.State(), DataSetState::Edit);
        QCOMPARE(box->text(), shown);
        QVERIFY(other->text().endsWith(QLatin1String("ept")));

        // Mended, the record goes through with everything typed.
        box->setFocus();
        QTest::keySequence(box->lineEdit(), QKeySequence::SelectAll);
        QTest::keyClicks(box->lineEdit(), QStringLiteral("29022020"));
        other->setFocus();
        table.Post();
        QCOMPARE(table.FieldByName(QStringLiteral("Fodselsdag")).AsString(),
                 QStringLiteral("29-02-2020"));
        QCOMPARE(table.FieldByName(QStringLiteral("Md")).AsString(), QStringLiteral("02"));
    }

    // --- quotes in boxes that end in a filter or a search ---------------------------

    void quotesInTheKeywordFilter_data()
    {
        QTest::addColumn<QString>("keyword");
        for (const char* k : {"Kim's venner", "\"Bedste\" venner", "'", "''", "\"", "' or ''='",
                              "a'\"b\"'c", "100% _venner_", "venner 😀", "朋友"})
            QTest::newRow(k) << QString::fromUtf8(k);
    }
    void quotesInTheKeywordFilter()
    {
        QFETCH(QString, keyword);
        addContact(contacts(), QStringLiteral("Anna"), QStringLiteral("11"),
                   {QStringLiteral("Nogleord"), keyword});
        addContact(contacts(), QStringLiteral("Bent"), QStringLiteral("22"),
                   {QStringLiteral("Nogleord"), QStringLiteral("Andre")});
        for (const QString& word : {keyword, QStringLiteral("Andre")}) {
            TTable& words = *m_app->dm().NogleTable;
            words.Insert();
            words.FieldByName(QStringLiteral("Nogleord")).SetAsString(word);
            words.Post();
        }
        m_app->showPage("TabSheet4");
        TDBLookupComboBox* box = overview().DBLookupComboBox2;
        const int index = box->findText(keyword);
        QVERIFY(index >= 0);
        box->setCurrentIndex(index);
        emit box->activated(index);
        QVERIFY2(dialogs().messages.isEmpty(), qPrintable(dialogs().texts().join(u'\n')));
        QCOMPARE(contacts().RecordCount(), 1);
        QCOMPARE(contacts().FieldByName(QStringLiteral("Navn")).AsString(), QStringLiteral("Anna"));
        QTest::mouseClick(overview().SpeedButton14, Qt::LeftButton);
        QCOMPARE(contacts().RecordCount(), 2);
    }

    void quotesInTheBirthdaySpan_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("month");
        QTest::addColumn<int>("found");
        QTest::newRow("apostrophes") << "'"
                                     << "''"
                                     << "'0" << 0;
        QTest::newRow("double quotes") << "\""
                                       << "\"\""
                                       << "0\"" << 0;
        QTest::newRow("both") << "'\""
                              << "\"'"
                              << "''" << 0;
        // Compared as the texts they are: "05" lies between "0'" and "9'".
        QTest::newRow("an injection") << "0'"
                                      << "9' or '1'='1"
                                      << "01" << 1;
        QTest::newRow("emoji and Chinese") << "😀"
                                           << "中"
                                           << "01" << 0;
    }

    // Searched as they stand: only a birthday within the texts is found,
    // nothing breaks, and the period is lifted again.
    void quotesInTheBirthdaySpan()
    {
        QFETCH(QString, first);
        QFETCH(QString, last);
        QFETCH(QString, month);
        QFETCH(int, found);
        addContact(contacts(), QStringLiteral("Anna"), QStringLiteral("11"),
                   {QStringLiteral("Fodselsdag"), QStringLiteral("05-01-1970")});
        m_app->showPage("TabSheet5");
        const QList<QPair<QLineEdit*, QString>> boxes = {
            {birthdays().Edit2, first}, {birthdays().Edit3, last}, {birthdays().Edit4, month}};
        for (const auto& [box, text] : boxes) {
            box->setFocus();
            QApplication::clipboard()->setText(text);
            QTest::keySequence(box, QKeySequence::Paste);
        }
        QTest::mouseClick(birthdays().SpeedButton13, Qt::LeftButton);
        for (const QString& message : dialogs().texts())
            QVERIFY2(!message.contains(QLatin1String("filter")), qPrintable(message));
        QCOMPARE(contacts().RecordCount(), found);
        m_app->showPage("TabSheet4");
        QTest::mouseClick(overview().SpeedButton14, Qt::LeftButton);
        QCOMPARE(contacts().RecordCount(), 1);
    }

    void quotesInTheFindBoxes_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* n : {"O'Brien", "\"Bob\" Hansen", "'; DROP TABLE Telefon; --",
                              "Anna' OR '1'='1", "王小明", "Søren 😀"})
            QTest::newRow(n) << QString::fromUtf8(n);
    }

    // The name search of the details page and the overview's find box both
    // find a contact by a name with quotes in it, and leave the rest alone.
    void quotesInTheFindBoxes()
    {
        QFETCH(QString, name);
        for (const QString& n : {QStringLiteral("Anna"), name, QStringLiteral("Zoe")})
            addContact(contacts(), n, QStringLiteral("1"));
        contacts().First();
        m_app->showPage("TabSheet1");
        details().Edit8->setFocus();
        typeText(details().Edit8, name);
        QTest::keyClick(details().Edit8, Qt::Key_Return);
        QCOMPARE(contacts().FieldByName(QStringLiteral("Navn")).AsString(), name);

        contacts().First();
        m_app->showPage("TabSheet4");
        overview().Find->setFocus();
        typeText(overview().Find, name);
        QCOMPARE(contacts().FieldByName(QStringLiteral("Navn")).AsString(), name);
        QVERIFY2(dialogs().messages.isEmpty(), qPrintable(dialogs().texts().join(u'\n')));
        QCOMPARE(contacts().RecordCount(), 3);
    }

    // --- the language file writer -----------------------------------------------

    void languageFileWriterRefusesWhatTheCodePageCannotHold_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("code"); // of the first character refused; empty: written
        QTest::newRow("emoji") << Emoji << "U+D83D";
        QTest::newRow("Chinese") << Chinese << "U+738B";
        QTest::newRow("Polish") << QStringLiteral("Łódź") << "U+0141";
        QTest::newRow("Hungarian") << QStringLiteral("Erdős Pál") << "U+0151";
        QTest::newRow("Windows-1252 alone") << QStringLiteral("€ „citat” – Œuvre ™ æøå") << "";
        QTest::newRow("control characters") << QStringLiteral("a\tb\x01"
                                                              "c")
                                            << "";
        QTest::newRow("10,000 characters") << longText(10000) << "";
    }

    // The writer refuses a text with a character Windows-1252 has no place
    // for, naming the character, and leaves the file as it was; anything
    // the code page holds is written and reads back as it was.
    void languageFileWriterRefusesWhatTheCodePageCannotHold()
    {
        QFETCH(QString, text);
        QFETCH(QString, code);
        const QString path = m_app->folder().root() + QStringLiteral("/English.lng");
        const QByteArray before = readBytes(path);
        TQLanguageFile file(path);
        if (!code.isEmpty()) {
            try {
                file.WriteString(QStringLiteral("PhoneForm"), QStringLiteral("Caption"), text);
                QFAIL("the text was written");
            } catch (const EQLocalError& e) {
                QVERIFY2(e.message().contains(code), qPrintable(e.message()));
            }
            QCOMPARE(readBytes(path), before);
            QCOMPARE(TQLanguageFile(path).ReadString(QStringLiteral("PhoneForm"),
                                                     QStringLiteral("Caption"), QString()),
                     QStringLiteral("Kalvindo"));
            return;
        }
        file.WriteString(QStringLiteral("PhoneForm"), QStringLiteral("Caption"), text);
        QCOMPARE(TQLanguageFile(path).ReadString(QStringLiteral("PhoneForm"),
                                                 QStringLiteral("Caption"), QString()),
                 text);
    }

    // --- filters the program composes ---------------------------------------------

    void filterTextsBeyondAnyFilterAreRefused_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("nested 10,000 deep")
            << QString(10000, u'(') + QStringLiteral("Navn = 'a'") + QString(10000, u')');
        QTest::newRow("10,000 nots")
            << QStringLiteral("not ").repeated(10000) + QStringLiteral("Navn = 'a'");
        QTest::newRow("10,000 conditions")
            << QStringLiteral("Navn = 'a' and ").repeated(10000) + QStringLiteral("Navn = 'a'");
    }
    // Deeply nested and with a long chain, a filter still goes through SQLite.
    void deepestFilterRuns()
    {
        QString text = QStringLiteral("Navn = 'Anna'");
        // Each level keeps the condition it holds: not (not (c) or false).
        for (int level = 0; level < 3; ++level)
            text = level % 2 ? QStringLiteral("not (not (%1) and Navn <> 'x')").arg(text)
                             : QStringLiteral("not (not (%1) or Navn = 'x')").arg(text);
        text += QStringLiteral(" or Navn = 'y'").repeated(100);
        addContact(contacts(), QStringLiteral("Anna"), QStringLiteral("1"));
        addContact(contacts(), QStringLiteral("Bo"), QStringLiteral("2"));
        contacts().SetFilter(text);
        contacts().SetFiltered(true);
        QCOMPARE(contacts().RecordCount(), 1);
        QCOMPARE(contacts().FieldByName(QStringLiteral("Navn")).AsString(), QStringLiteral("Anna"));
    }

    // Told as a bad filter, not a crash of the stack or of SQLite.
    void filterTextsBeyondAnyFilterAreRefused()
    {
        QFETCH(QString, text);
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, FilterExpression::parse(text, Schema::telefon()));
        addContact(contacts(), QStringLiteral("Anna"), QStringLiteral("1"));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, {
            contacts().SetFilter(text);
            contacts().SetFiltered(true);
        });
        contacts().SetFiltered(false);
        QCOMPARE(contacts().RecordCount(), 1);
    }
};

QTEST_MAIN(TestBadInput)
#include "test_badinput.moc"
