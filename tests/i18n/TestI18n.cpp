#include "TestSupport.h"
#include "core/i18n/InCodeText.h"
#include "core/i18n/LanguageFile.h"
#include "core/i18n/LanguageSettings.h"
#include "core/i18n/LanguageSource.h"
#include "core/i18n/LocalError.h"
#include "core/i18n/QtStandardTexts.h"
#include "core/i18n/Windows1252.h"
#include "gui/i18n/FormLocalizer.h"

#include "core/component/ComponentTree.h"
#include "core/component/GridColumns.h"
#include "gui/controls/ComponentModel.h"
#include <QDir>
#include <QFile>

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class TestI18n : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString& name) { return m_dir.filePath(name); }

private slots:
    void codecDecodesAll256Bytes()
    {
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        const QString text = Windows1252::decode(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(text[0x80], QChar(0x20AC));
        QCOMPARE(text[0x81], QChar(0x81));
        QCOMPARE(text[0x9F], QChar(0x178));
        QCOMPARE(Windows1252::encode(text), all);
        QCOMPARE(Windows1252::firstUnencodable(u"a\u4E2D"), 1);
    }

    void readingRules_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("case and spaces")
            << QByteArray("[phoneform]\r\n  tabsheet6.CAPTION  =  Forside \r\n")
            << "TabSheet6.Caption"
            << "Forside";
        QTest::newRow("quoted") << QByteArray("[PhoneForm]\nTabSheet6.Caption=\"Forside\"\n")
                                << "TabSheet6.Caption"
                                << "Forside";
        QTest::newRow("quoted keeps blank")
            << QByteArray("[PhoneForm]\rLabel47.Caption=\"Navn \"\r") << "Label47.Caption"
            << "Navn ";
        QTest::newRow("control codes") << QByteArray("[PhoneForm]\nK=\"A\"#13#10\"B\"\n") << "K"
                                       << "A\r\nB";
        QTest::newRow("doubled quote") << QByteArray("[PhoneForm]\nK=\"a\"\"b\"\n") << "K"
                                       << "a\"b";
        QTest::newRow("first wins")
            << QByteArray("[PhoneForm]\nK=1\nk=2\n[PHONEFORM]\nK=3\n") << "K"
            << "1";
        QTest::newRow("before section ignored") << QByteArray("K=x\n[PhoneForm]\n") << "K"
                                                << "default";
        QTest::newRow("zero byte ends") << QByteArray("[PhoneForm]\nK=a\0\nL=b", 21) << "L"
                                        << "default";
        QTest::newRow("windows-1252") << QByteArray("[PhoneForm]\nK=\x80 \xE6\xF8\xE5\n") << "K"
                                      << QString::fromUtf8("€ æøå");
    }
    void readingRules()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        writeBytes(path("r.lng"), file);
        TQLanguageFile f(path("r.lng"));
        QCOMPARE(f.ReadString("PhoneForm", key, "default"), expected);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << "  Navn  ";
        QTest::newRow("crlf end") << "A\r\n";
        QTest::newRow("controls") << QString("\x01\tB\x1F") + QChar(0);
        QTest::newRow("quotes") << "\"quoted\" \"\"";
        QTest::newRow("quote hash") << "a\"#13\"b #1";
        QTest::newRow("leading hash") << "#1 Kunde";
        QTest::newRow("plain") << "Find navn";
        QTest::newRow("inner hash") << "Nr. #1";
        QTest::newRow("specials") << QString::fromUtf8("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ ÿ");
    }
    void roundTrip()
    {
        QFETCH(QString, text);
        QFile::remove(path("t.lng"));
        {
            TQLanguageFile f(path("t.lng"));
            f.WriteString("PhoneForm", "Key", text);
        }
        TQLanguageFile back(path("t.lng"));
        QCOMPARE(back.ReadString("PhoneForm", "Key", "missing"), text);
        // The quick ways for plain texts and values agree with the full ones.
        const QString stored = TQLanguageFile::EncodeValue(text);
        QCOMPARE(TQLanguageFile::EncodedLine("Key", text), "Key=" + stored);
        QCOMPARE(TQLanguageFile::DecodeValue(stored), text);
    }

    void encodeValueExact()
    {
        QCOMPARE(TQLanguageFile::EncodeValue(""), QString("\"\""));
        QCOMPARE(TQLanguageFile::EncodeValue("A\r\nB"), QString("\"A\"#13#10\"B\""));
        QCOMPARE(TQLanguageFile::EncodeValue("A\r\n"), QString("\"A\"#13#10\"\""));
        QCOMPARE(TQLanguageFile::EncodeValue("a\"b"), QString("\"a\"\"b\""));
    }

    void writtenFileByteForByte()
    {
        writeBytes(path("w.lng"), "; comment\r\n[A]\r\n x = 1 \r\n\r\nno equals\r\n");
        TQLanguageFile f(path("w.lng"));
        f.WriteString("B", "K", QString::fromUtf8("ø"));
        QCOMPARE(readBytes(path("w.lng")),
                 QByteArray("[A]\r\nx=1\r\nno equals\r\n\r\n[B]\r\nK=\"\xF8\"\r\n\r\n"));
    }

    void unencodableTextIsRefusedAndNothingChanges()
    {
        writeBytes(path("u.lng"), "[A]\r\nK=old\r\n");
        TQLanguageFile f(path("u.lng"));
        QVERIFY_THROWS_EXCEPTION(EQLocalError, f.WriteString("A", "K", QString::fromUtf8("中")));
        QCOMPARE(f.ReadString("A", "K", ""), QString("old"));
        QCOMPARE(readBytes(path("u.lng")), QByteArray("[A]\r\nK=old\r\n"));
    }

    void sourceOrderAndBounds()
    {
        writeBytes(path("English.lng"), "[W]\r\nLabel1.Caption=Name\r\n");
        QDir::setCurrent(m_dir.path());
        QWidget window;
        window.setObjectName("W");
        auto* label = new QLabel("Navn", &window);
        label->setObjectName("Label1");
        TQLanguageSource source(&window);
        source.SetLanguages({"English=English.lng", "Norsk=Norsk.lng"});
        QStringList log;
        source.OnLanguageChanging = [&](QObject*, int i, bool&) {
            log << QString("source changing %1").arg(i);
        };
        source.OnLanguageChanged = [&](QObject*) { log << "source changed"; };
        auto* loc = new TQFormLocalizer(&window);
        loc->OnLanguageChanging = [&](QObject*, int i, bool&) {
            log << QString("loc changing %1").arg(i);
        };
        loc->OnLanguageChanged = [&](QObject*) { log << "loc changed"; };
        loc->OnPropertyLocalized = [&](QObject*, QObject*, const QString& p, const QString&) {
            log << "localize " + p;
        };
        loc->SetSource(&source);
        source.SetActiveLanguage(-1); // enables notifications, as the end of loading does
        log.clear();
        source.SetActiveLanguage(0);
        QCOMPARE(log, QStringList({"loc changing 0", "source changing 0", "localize Caption",
                                   "loc changed", "source changed"}));
        QCOMPARE(label->text(), QString("Name"));
        try {
            source.SetActiveLanguage(2);
            QFAIL("no error");
        } catch (const EQLocalError& e) {
            QCOMPARE(e.message(), QString("Index out of bounds (2)"));
        }
        QVERIFY_THROWS_EXCEPTION(EQLocalError, source.SetActiveLanguage(-2));
        QCOMPARE(source.ActiveLanguage(), 0);
        log.clear();
        source.SetActiveLanguage(0);
        QVERIFY(log.isEmpty());
        source.SetActiveLanguage(1); // no Norsk.lng: originals stay
        QCOMPARE(label->text(), QString("Name"));
        source.SetActiveLanguage(-1);
        QCOMPARE(label->text(), QString("Navn"));
        QVERIFY(loc->Originals().isEmpty());
    }

    void settings_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("bidi");
        QTest::addColumn<int>("charset");
        QTest::newRow("none") << QByteArray("[W]\r\n") << 0 << 1;
        QTest::newRow("greek")
            << QByteArray("[General Settings]\r\nBiDiMode=1\r\nFontCharSet=greek_charset\r\n") << 1
            << 161;
        QTest::newRow("bad") << QByteArray(
                                    "[General Settings]\r\nBiDiMode=7\r\nFontCharSet=161\r\n")
                             << 0 << 1;
        QTest::newRow("text") << QByteArray("[General Settings]\r\nBiDiMode=x\r\n") << 0 << 1;
    }
    void settings()
    {
        QFETCH(QByteArray, file);
        writeBytes(path("S.lng"), file);
        TQLanguageSource source;
        source.SetLanguages({"S=" + path("S.lng")});
        source.SetSection("W");
        source.SetActiveLanguage(0);
        QTEST(int(source.ActiveSettings()->BiDiMode()), "bidi");
        QTEST(source.ActiveSettings()->FontCharSet(), "charset");
        QCOMPARE(source.GetSection(), QString("W"));
    }

    void formLocalizerOnWindow()
    {
        writeBytes(path("E.lng"),
                   "[W]\r\nCaption=Window\r\ntabsheet6.caption=Front\r\nFil1.Caption=File\r\n"
                   "Afslut.Caption=Quit\r\nButton1.Hint=Tip\r\nLabel8.Caption=Skipped\r\n"
                   "DBGrid3.Columns=Name,\"Phone\",x\r\nTabSheet6.Tag=9\r\nGhost.Caption=z\r\n");
        writeBytes(path("N.lng"), "[W]\r\nDBGrid3.Columns=A,B,C,D,E\r\n");
        QWidget window;
        window.setObjectName("W");
        window.setWindowTitle("Kalvindo");
        auto* tabs = new QTabWidget(&window);
        tabs->setObjectName("PageControl1");
        auto* page = new QWidget;
        page->setObjectName("TabSheet6");
        tabs->addTab(page, "Forside");
        auto* label = new QLabel("Etiket", page);
        label->setObjectName("Label8");
        auto* button = new QPushButton("Knap", page);
        button->setObjectName("Button1");
        auto* bar = new QMenuBar(&window);
        auto* menu = new QMenu("Filer", bar);
        menu->setObjectName("Fil1");
        auto* quit = menu->addAction("Afslut");
        quit->setObjectName("Afslut");
        auto* grid = new QObject(page);
        grid->setObjectName("DBGrid3");
        auto* cols = new TDBGridColumns(grid);
        for (const char* f : {"Navn", "Telefon", "Fodselsdag", "Familie relation"})
            cols->Add(f);
        TQLanguageSource source(&window);
        source.SetLanguages({"E=" + path("E.lng"), "N=" + path("N.lng")});
        auto* loc = new TQFormLocalizer(&window);
        QVERIFY_THROWS_EXCEPTION(EQLocalError, TQFormLocalizer second(&window));
        loc->SetPropNames({"Caption", "Hint", "Columns"});
        loc->SetExcluded({"Label8"});
        loc->SetSource(&source);
        source.SetActiveLanguage(0);
        QCOMPARE(window.windowTitle(), QString("Window"));
        QCOMPARE(tabs->tabText(0), QString("Front"));
        QCOMPARE(menu->title(), QString("File"));
        QCOMPARE(quit->text(), QString("Quit"));
        QCOMPARE(button->toolTip(), QString());      // empty hint stays empty
        QCOMPARE(label->text(), QString("Skipped")); // excluded from capture only
        QCOMPARE(cols->Items(2)->Title(), QString("x"));
        QCOMPARE(cols->Items(3)->Title(), QString("Familie relation"));
        QVERIFY(!loc->Originals().join('|').contains("Label8"));
        QCOMPARE(ComponentModel::property(button, "ParentBiDiMode").number(), 0);
        QCOMPARE(ComponentModel::property(button, "ParentFont").number(), 0);
        QCOMPARE(ComponentModel::fontCharSet(button), 1);
        source.SetActiveLanguage(1);
        QCOMPARE(cols->Items(3)->Title(), QString("D"));
        QCOMPARE(tabs->tabText(0), QString("Front")); // Norsk lacks the key
        source.SetActiveLanguage(-1);
        QCOMPARE(window.windowTitle(), QString("Kalvindo"));
        QCOMPARE(tabs->tabText(0), QString("Forside"));
        QCOMPARE(cols->Items(0)->Title(), QString("Navn"));
        QCOMPARE(cols->Items(3)->Title(), QString("Familie relation"));
        QCOMPARE(quit->text(), QString("Afslut"));
        QVERIFY(loc->Originals().isEmpty());
    }

    void excludedWholeKeyIsNotApplied()
    {
        writeBytes(path("X.lng"), "[W]\r\nA.Caption=Applied\r\nB.Caption=Skipped\r\n");
        QWidget window;
        window.setObjectName("W");
        auto* a = new QLabel("a", &window);
        a->setObjectName("A");
        auto* b = new QLabel("b", &window);
        b->setObjectName("B");
        TQLanguageSource source(&window);
        source.SetLanguages({"X=" + path("X.lng")});
        auto* loc = new TQFormLocalizer(&window);
        loc->SetExcluded({"b.caption"});
        loc->SetSource(&source);
        source.SetActiveLanguage(0);
        QCOMPARE(a->text(), QString("Applied"));
        QCOMPARE(b->text(), QString("b"));
    }

    void replacingTheLanguageListMakesTheOriginalActive()
    {
        writeBytes(path("R.lng"), "[W]\r\nA.Caption=Translated\r\n");
        QWidget window;
        window.setObjectName("W");
        auto* a = new QLabel("Original", &window);
        a->setObjectName("A");
        TQLanguageSource source(&window);
        source.SetLanguages({"R=" + path("R.lng")});
        auto* loc = new TQFormLocalizer(&window);
        loc->SetSource(&source);
        source.SetActiveLanguage(0);
        QCOMPARE(a->text(), QString("Translated"));
        source.SetLanguages({"R=" + path("R.lng"), "S=" + path("S.lng")});
        QCOMPARE(source.ActiveLanguage(), -1);
        QCOMPARE(a->text(), QString("Original"));
    }

    void sortSectionsOrdersTheReadEntries()
    {
        writeBytes(path("S.lng"), "[W]\r\nc=3\r\na=1\r\nb=2\r\nempty=\"\"\r\n");
        TQLanguageSource source;
        source.SetLanguages({"S=" + path("S.lng")});
        source.SetActiveLanguage(0);
        source.SetSection("W");
        QStringList list;
        source.ReadSectionStrings(&list);
        QCOMPARE(list, (QStringList{"c=3", "a=1", "b=2"}));
        source.SetSortSections(true);
        source.ReadSectionStrings(&list);
        QCOMPARE(list, (QStringList{"a=1", "b=2", "c=3"}));
    }

    void saveWritesTheWindowsTextsIntoTheActiveFile_data()
    {
        QTest::addColumn<bool>("clearFirst");
        QTest::newRow("kept") << false;
        QTest::newRow("cleared before saving") << true;
    }
    void saveWritesTheWindowsTextsIntoTheActiveFile()
    {
        QFETCH(bool, clearFirst);
        const QString file = path(clearFirst ? "Save2.lng" : "Save1.lng");
        writeBytes(file, "[W]\r\nOld.Caption=stays unless cleared\r\n");
        QWidget window;
        window.setObjectName("W");
        window.setWindowTitle("Vindue");
        auto* a = new QLabel("Etiket ", &window);
        a->setObjectName("A");
        a->setToolTip("Vink");
        TQLanguageSource source(&window);
        source.SetLanguages({"T=" + file});
        auto* loc = new TQFormLocalizer(&window);
        loc->SetClearBeforeSave(clearFirst);
        loc->SetSource(&source);
        source.SetActiveLanguage(0);
        loc->Save();
        TQLanguageFile saved(file);
        QCOMPARE(saved.ReadString("W", "Caption", QString()), QString("Vindue"));
        QCOMPARE(saved.ReadString("W", "A.Caption", QString()), QString("Etiket "));
        QCOMPARE(saved.ReadString("W", "A.Hint", QString()), QString("Vink"));
        QCOMPARE(saved.ReadString("W", "Old.Caption", QString()).isEmpty(), clearFirst);
    }

    void languageSetWhileLoadingTakesEffectWhenLoaded()
    {
        writeBytes(path("P.lng"), "[W]\r\nA.Caption=Loaded\r\n");
        QWidget window;
        window.setObjectName("W");
        ComponentTree::beginLoading(&window);
        auto* a = new QLabel("Original", &window);
        a->setObjectName("A");
        auto* source = new TQLanguageSource(&window);
        source->setObjectName("QLanguageSource1");
        source->SetLanguages({"P=" + path("P.lng")});
        source->SetActiveLanguage(0); // only remembered while the window loads
        auto* loc = new TQFormLocalizer(&window);
        loc->setObjectName("QFormLocalizer1");
        loc->SetSource(source);
        QCOMPARE(source->ActiveLanguage(), -1);
        QCOMPARE(loc->Source(), nullptr);
        ComponentTree::endLoading(&window);
        QCOMPARE(source->ActiveLanguage(), 0);
        QCOMPARE(loc->Source(), source);
        QCOMPARE(a->text(), QString("Loaded"));
    }

    void propNamesChangeAndSourceRemoval()
    {
        writeBytes(path("H.lng"), "[W]\r\nB.Hint=Tip\r\nB.Caption=Button\r\n");
        QWidget window;
        window.setObjectName("W");
        auto* b = new QPushButton("Knap", &window);
        b->setObjectName("B");
        b->setToolTip("Vink");
        auto* source = new TQLanguageSource;
        source->SetLanguages({"H=" + path("H.lng")});
        auto* loc = new TQFormLocalizer(&window);
        loc->SetSource(source);
        source->SetActiveLanguage(0);
        QCOMPARE(b->toolTip(), QString("Tip"));
        loc->SetPropNames({"Caption"});
        QCOMPARE(b->toolTip(), QString("Vink"));
        QCOMPARE(b->text(), QString("Button"));
        loc->SetPropNames({"Caption", "Hint"});
        QVERIFY(loc->Originals().join('|').contains("B.Hint"));
        delete source;
        QCOMPARE(loc->Source(), nullptr);
        QCOMPARE(b->text(), QString("Knap"));
        QCOMPARE(b->toolTip(), QString("Vink"));
    }

    // A window switched back and forth keeps what it learnt of itself only
    // while it stays as it was; every change in between must be seen.
    void windowChangedBetweenSwitches()
    {
        writeBytes(path("C.lng"), "[W]\r\nA.Caption=Alpha\r\nNew.Caption=Fresh\r\n"
                                  "Renamed.Caption=Again\r\nB.Hint=Tip\r\n");
        QWidget window;
        window.setObjectName("W");
        auto* a = new QLabel("a", &window);
        a->setObjectName("A");
        auto* b = new QPushButton("b", &window);
        b->setObjectName("B");
        b->setToolTip("vink");
        TQLanguageSource source(&window);
        source.SetLanguages({"C=" + path("C.lng")});
        auto* loc = new TQFormLocalizer(&window);
        loc->SetSource(&source);
        for (int round = 0; round < 2; ++round) {
            source.SetActiveLanguage(0);
            QCOMPARE(a->text(), QString("Alpha"));
            source.SetActiveLanguage(-1);
            QCOMPARE(a->text(), QString("a"));
        }
        auto* added = new QLabel("ny", &window);
        added->setObjectName("New");
        source.SetActiveLanguage(0);
        QCOMPARE(added->text(), QString("Fresh"));
        QCOMPARE(b->toolTip(), QString("Tip"));
        source.SetActiveLanguage(-1);
        QCOMPARE(added->text(), QString("ny"));
        QCOMPARE(b->toolTip(), QString("vink"));

        // A component gone while the language is active, one renamed in the
        // original language: nothing is written to what is gone, the new
        // name is what counts.
        source.SetActiveLanguage(0);
        delete added;
        source.SetActiveLanguage(-1);
        QCOMPARE(a->text(), QString("a"));
        a->setObjectName("Renamed");
        source.SetActiveLanguage(0);
        QCOMPARE(a->text(), QString("Again"));
        source.SetActiveLanguage(-1);
        QCOMPARE(a->text(), QString("a"));
        QVERIFY(loc->Originals().isEmpty());

        // Texts the program changed in the original language are what a
        // later return to it gives back.
        a->setText("changed");
        source.SetActiveLanguage(0);
        source.SetActiveLanguage(-1);
        QCOMPARE(a->text(), QString("changed"));
    }

    void directionAndCharsetPutBackAfterOutsideChanges()
    {
        writeBytes(path("R.lng"),
                   "[General Settings]\r\nBiDiMode=1\r\nFontCharSet=HEBREW_CHARSET\r\n"
                   "[W]\r\nA.Caption=x\r\n");
        writeBytes(path("L.lng"), "[W]\r\nA.Caption=y\r\n");
        QWidget window;
        window.setObjectName("W");
        auto* a = new QLabel("a", &window);
        a->setObjectName("A");
        TQLanguageSource source(&window);
        source.SetLanguages({"R=" + path("R.lng"), "L=" + path("L.lng")});
        auto* loc = new TQFormLocalizer(&window);
        loc->SetSource(&source);
        source.SetActiveLanguage(1);
        QCOMPARE(a->layoutDirection(), Qt::LeftToRight);
        a->setLayoutDirection(Qt::RightToLeft);
        ComponentModel::setFontCharSet(a, 204);
        loc->Localize();
        QCOMPARE(a->layoutDirection(), Qt::LeftToRight);
        QCOMPARE(ComponentModel::fontCharSet(a), 1);
        source.SetActiveLanguage(0);
        QCOMPARE(a->layoutDirection(), Qt::RightToLeft);
        QCOMPARE(ComponentModel::fontCharSet(a), 177);
        auto* late = new QLabel("late", &window);
        late->setObjectName("Late");
        loc->Localize();
        QCOMPARE(late->layoutDirection(), Qt::RightToLeft);
        QCOMPARE(ComponentModel::fontCharSet(late), 177);
        source.SetActiveLanguage(-1);
        QCOMPARE(late->layoutDirection(), Qt::LeftToRight);
        QCOMPARE(ComponentModel::fontCharSet(late), 1);
    }

    void handlersThatChangeTheWindowDuringASwitch()
    {
        writeBytes(path("D.lng"), "[W]\r\nA.Caption=1\r\nB.Caption=2\r\nC.Caption=3\r\n");
        QWidget window;
        window.setObjectName("W");
        QPointer<QLabel> labels[3];
        for (int i = 0; i < 3; ++i) {
            labels[i] = new QLabel(QString(QChar(u'a' + i)), &window);
            labels[i]->setObjectName(QString(QChar(u'A' + i)));
        }
        TQLanguageSource source(&window);
        source.SetLanguages({"D=" + path("D.lng")});
        auto* loc = new TQFormLocalizer(&window);
        loc->SetSource(&source);
        // The first text applied takes the last label away; the rest go on.
        loc->OnPropertyLocalized = [&](QObject*, QObject* object, const QString&, const QString&) {
            if (object == labels[0] && labels[2])
                delete labels[2];
        };
        source.SetActiveLanguage(0);
        QCOMPARE(labels[0]->text(), QString("1"));
        QCOMPARE(labels[1]->text(), QString("2"));
        QVERIFY(!labels[2]);
        // Putting the originals back, a handler replaces them: what is left
        // is applied by name.
        loc->OnPropertyLocalized = [&](QObject*, QObject* object, const QString&, const QString&) {
            if (object == labels[0])
                loc->SetOriginals({"B.Caption=\"bee\""});
        };
        source.SetActiveLanguage(-1);
        QCOMPARE(labels[0]->text(), QString("a"));
        QCOMPARE(labels[1]->text(), QString("bee"));
        QVERIFY(loc->Originals().isEmpty());
        // The same on a window that stood still since its texts were captured.
        loc->OnPropertyLocalized = nullptr;
        source.SetActiveLanguage(0);
        loc->OnPropertyLocalized = [&](QObject*, QObject* object, const QString&, const QString&) {
            if (object == labels[0])
                loc->SetOriginals({"B.Caption=\"bea\""});
        };
        source.SetActiveLanguage(-1);
        QCOMPARE(labels[0]->text(), QString("a"));
        QCOMPARE(labels[1]->text(), QString("bea"));
        QVERIFY(loc->Originals().isEmpty());
    }

    void languageFileReadAgainOnlyWhenItChanged()
    {
        const QString file = path("S.lng");
        writeBytes(file, "[W]\r\nA.Caption=one\r\n");
        QCOMPARE(TQLanguageFile(file).ReadString("W", "A.Caption", ""), QString("one"));
        // Same size, rewritten at once: a different file all the same.
        writeBytes(file, "[W]\r\nA.Caption=two\r\n");
        QCOMPARE(TQLanguageFile(file).ReadString("W", "A.Caption", ""), QString("two"));
        // Replaced by another file under the same name.
        writeBytes(path("S2.lng"), "[W]\r\nA.Caption=six\r\n");
        QVERIFY(QFile::remove(file));
        QVERIFY(QFile::rename(path("S2.lng"), file));
        QCOMPARE(TQLanguageFile(file).ReadString("W", "A.Caption", ""), QString("six"));
        // A change through one opening is its own until written, and then
        // every later opening reads it.
        {
            TQLanguageFile first(file);
            TQLanguageFile second(file);
            first.WriteString("W", "A.Caption", "seven");
            QCOMPARE(second.ReadString("W", "A.Caption", ""), QString("six"));
            QCOMPARE(second.ReadSectionValues("W"), QStringList{"A.Caption=six"});
        }
        QCOMPARE(TQLanguageFile(file).ReadSectionValues("W"), QStringList{"A.Caption=seven"});
        // A file that can no longer be read is reported, not answered from memory.
        if (::geteuid() != 0) {
            QVERIFY(QFile::setPermissions(file, QFileDevice::WriteOwner));
            QVERIFY_THROWS_EXCEPTION(EQLocalError, TQLanguageFile{file});
            QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        }
        QVERIFY(QFile::remove(file));
        QCOMPARE(TQLanguageFile(file).ReadString("W", "A.Caption", "none"), QString("none"));
    }

    void qtStandardTextsLoadWhereShipped()
    {
        TQtStandardTexts texts;
        for (int index : {-1, 1, 2, 3}) {
            const bool shipped = [&] {
                for (const QString& c : TQtStandardTexts::CataloguesFor(index))
                    if (QFile::exists(texts.Folder() + "/" + c + ".qm"))
                        return true;
                return false;
            }();
            QCOMPARE(texts.Install(index), shipped);
        }
        QVERIFY(texts.Install(-1));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Annuller"));
        QVERIFY(!texts.Install(0));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Cancel"));
    }

    void readOnlySourceRefusesWrites()
    {
        TQCustomLanguageSource source;
        QVERIFY_THROWS_EXCEPTION(EQLocalError, source.WriteValue("a", "b"));
        QVERIFY_THROWS_EXCEPTION(EQLocalError, TQLanguageSettings(nullptr));
    }

    void inCodeTextFollowsSource()
    {
        TQCustomLanguageSource source;
        source.SetLanguages({"English=", "Norsk=", "Svensk=", "Deutsch="});
        InCodeText::setSource(&source);
        const InCodeTexts t{"da", "en", "nb", "sv", "de"};
        QCOMPARE(inCodeText(t), QString("da"));
        source.SetActiveLanguage(3);
        QCOMPARE(inCodeText(t), QString("de"));
        InCodeText::setSource(nullptr);
    }
};

QTEST_MAIN(TestI18n)
#include "TestI18n.moc"
