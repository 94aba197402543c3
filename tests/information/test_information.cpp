#include "RecordingDialogs.h"
#include "TestSupport.h"
#include "core/data/DM.h"
#include "core/i18n/LanguageSource.h"
#include "core/util/DataLocation.h"
#include "core/util/ProgramFolder.h"
#include "core/util/ProgramVersion.h"
#include "gui/windows/AboutBox.h"
#include "gui/windows/AboutWnd.h"
#include "gui/windows/Information.h"
#include "gui/windows/NogleForm.h"
#include "gui/windows/PhoneForm.h"
#include "ui_AboutWnd.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// What an about window showed while it was open.
struct Shown
{
    QPointer<QObject> window;
    QString title, appName, version, copyright, url, urlHint, warning;
    QSize size;
    bool frameShown = false;
    QSize picture;

    static Shown of(QObject* object)
    {
        auto* w = qobject_cast<TAboutWnd*>(object);
        Ui::AboutWnd& ui = w->Form();
        return {w,
                w->windowTitle(),
                ui.lblAppName->text(),
                ui.lblVersion->text(),
                ui.lblCopyright->text(),
                ui.lblUrl->text(),
                ui.lblUrl->toolTip(),
                ui.lblWarning->text(),
                w->size(),
                !ui.bvlOuter->isHidden(),
                ui.imgApp->size()};
    }
    bool operator==(const Shown& o) const
    {
        return std::tie(title, appName, version, copyright, url, urlHint, warning, size, frameShown,
                        picture) == std::tie(o.title, o.appName, o.version, o.copyright, o.url,
                                             o.urlHint, o.warning, o.size, o.frameShown, o.picture);
    }
};

} // namespace

class TestInformation : public QObject
{
    Q_OBJECT
    std::unique_ptr<RecordingDialogs> m_dialogs;
    std::unique_ptr<QTemporaryDir> m_programFolder;
    QString m_previousDir;

private slots:
    void init()
    {
        m_dialogs = std::make_unique<RecordingDialogs>();
        m_programFolder = std::make_unique<QTemporaryDir>();
        ProgramFolder::setPath(m_programFolder->path());
        m_previousDir = QDir::currentPath();
    }
    void cleanup()
    {
        QDir::setCurrent(m_previousDir);
        ProgramFolder::setPath(QString());
        m_programFolder.reset();
        m_dialogs.reset();
    }

    // The text is Danish whatever the language, and names the data folder
    // in use, as an absolute path: beside a program folder the one the
    // working folder holds, which the tables are opened from.
    void dataLocationNamesTheFolderInUse_data()
    {
        QTest::addColumn<int>("language");
        QTest::newRow("Dansk") << -1;
        QTest::newRow("English") << 0;
    }
    void dataLocationNamesTheFolderInUse()
    {
        QFETCH(int, language);
        QTemporaryDir elsewhere;
        QDir::setCurrent(elsewhere.path());
        QFile::copy(QStringLiteral(KALVINDO_SOURCE_DIR "/resources/lng/English.lng"),
                    elsewhere.filePath(QStringLiteral("English.lng")));
        TPhoneForm form;
        form.QLanguageSource1()->SetActiveLanguage(language);
        form.findChild<QAction*>(QStringLiteral("Dataplacering1"))->trigger();
        QCOMPARE(m_dialogs->messages.size(), 1);
        QCOMPARE(m_dialogs->messages[0].kind, MessageKind::Plain);
        QCOMPARE(m_dialogs->messages[0].buttons, MessageButtons(Ok));
        QCOMPARE(DataLocation::dataFolder(),
                 QDir(elsewhere.path()).absoluteFilePath(QStringLiteral("Data")));
        QCOMPARE(m_dialogs->messages[0].text,
                 QStringLiteral("Data for dette program er placeret i ") +
                     QDir::toNativeSeparators(DataLocation::dataFolder()) +
                     QStringLiteral("\n\nDet er meget vigtigt, at du sikkerhedskopierer filer i "
                                    "datamappen, hver gang du har ændret eller tilføjet data i "
                                    "programmet!"));
    }

    void theMainWindowsAboutBox()
    {
        TPhoneForm form;
        TAboutBox* box = form.AboutBox1();
        QCOMPARE(box->objectName(), QStringLiteral("AboutBox1"));
        QCOMPARE(box->AppName(), QStringLiteral("Kalvindo"));
        QVERIFY(box->Copyright().contains(QStringLiteral("Kalvindo")));
        QVERIFY(box->Copyright() != TAboutBox::DefaultCopyright);
        QCOMPARE(box->Url(), TAboutBox::DefaultUrl);
        QCOMPARE(box->Warning(), TAboutBox::DefaultWarning);
        QCOMPARE(box->Picture().size(), QSize(60, 200));
    }

    // Each "Information" builds a window from the box as it is and destroys
    // it after: two in a row are the same, and nothing of the first is left.
    void informationTwiceShowsTwoIdenticalWindows()
    {
        TPhoneForm form;
        QList<Shown> shown;
        m_dialogs->onModal = [&shown](QObject* window) {
            shown << Shown::of(window);
            return 1;
        };
        QAction* information = form.findChild<QAction*>(QStringLiteral("Omprogrammet1"));
        information->trigger();
        QVERIFY(!shown[0].window);
        information->trigger();
        QCOMPARE(m_dialogs->modalWindows, (QStringList{"AboutWnd", "AboutWnd"}));
        QCOMPARE(shown.size(), 2);
        QVERIFY(shown[0] == shown[1]);
        const Shown& w = shown[0];
        QCOMPARE(w.title, QStringLiteral("About Kalvindo ®"));
        QCOMPARE(w.appName, QStringLiteral("Kalvindo ®"));
        QCOMPARE(w.copyright, form.AboutBox1()->Copyright());
        QCOMPARE(w.url, TAboutBox::DefaultUrl);
        QCOMPARE(w.urlHint, TAboutBox::DefaultUrl);
        QCOMPARE(w.warning, TAboutBox::DefaultWarning);
        // The 60 x 200 picture: 12 pixels wider than designed, as high.
        QCOMPARE(w.size, QSize(TAboutWnd::DesignWidth + 12, TAboutWnd::DesignHeight));
        QCOMPARE(w.picture, QSize(60, 200));
        QVERIFY(w.frameShown);
        QCOMPARE(w.version, ProgramVersion::text(ProgramVersion::fileVersion(), "Build"));
        QVERIFY(w.version.contains(QStringLiteral(" (Build: ")));
    }

    void withoutAPictureTheWindowHasItsDesignSize()
    {
        TAboutBox box(nullptr);
        box.SetAppName(QStringLiteral("Prøve"));
        TAboutWnd window(&box);
        const Shown w = Shown::of(&window);
        QCOMPARE(w.size, QSize(TAboutWnd::DesignWidth, TAboutWnd::DesignHeight));
        QVERIFY(!w.frameShown);
        QCOMPARE(w.picture, QSize(0, 0));
        QCOMPARE(w.title, QStringLiteral("About Prøve ®"));
        QCOMPARE(w.copyright, TAboutBox::DefaultCopyright);
        // Buttons and notice in their designed places.
        QCOMPARE(window.Form().btnOk->geometry().bottomRight(), QPoint(288, 310));
        QCOMPARE(window.Form().lblWarning->geometry().topLeft(), QPoint(8, 224));
    }

    void aTallerPictureMakesTheWindowTaller()
    {
        TAboutBox box(nullptr);
        QImage picture(100, 260, QImage::Format_RGB32);
        picture.fill(Qt::darkBlue);
        box.SetPicture(picture);
        picture.fill(Qt::red); // the box keeps its own copy
        TAboutWnd window(&box);
        QCOMPARE(window.size(), QSize(TAboutWnd::DesignWidth + 52, TAboutWnd::DesignHeight + 60));
        QCOMPARE(window.Form().bvlOuter->width(), 102);
        QCOMPARE(window.Form().btnOk->geometry().bottomRight(), QPoint(288 + 52, 310 + 60));
        QCOMPARE(window.Form().lblAppName->x(), 64 + 52);
        QCOMPARE(box.Picture().pixel(0, 0), qRgb(0, 0, 128));
    }

    void versionText_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("release");
        QTest::addColumn<int>("build");
        QTest::addColumn<QString>("text");
        QTest::newRow("2.3.0.7") << true << 2 << 3 << 0 << 7 << "2.3 (Build: 0.7)";
        QTest::newRow("10.12.65535.4")
            << true << 10 << 12 << 65535 << 4 << "10.12 (Build: 65535.4)";
        QTest::newRow("none") << false << 0 << 0 << 0 << 0 << "";
    }
    void versionText()
    {
        QFETCH(bool, present);
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, release);
        QFETCH(int, build);
        QFETCH(QString, text);
        const std::optional<FileVersion> version =
            present ? std::optional(FileVersion{major, minor, release, build}) : std::nullopt;
        QCOMPARE(ProgramVersion::text(version, QStringLiteral("Build")), text);
        TAboutBox box(nullptr);
        TAboutWnd window(&box);
        window.ShowVersion(text);
        QCOMPARE(window.Form().lblVersion->text(), text);
        QCOMPARE(window.Form().lblVersionInfo->isHidden(), !present);
    }

    // The first system-information program of the desktop that starts; an
    // error when none does.
    void systemInfo_data()
    {
        QTest::addColumn<QStringList>("startable");
        QTest::addColumn<QStringList>("tried");
        QTest::addColumn<QStringList>("messages");
        const QStringList all = TAboutWnd::SystemInfoPrograms;
        QTest::newRow("none") << QStringList() << all
                              << QStringList{"Could not execute system information!"};
        QTest::newRow("the third") << QStringList{all[2], all[3]} << all.mid(0, 3) << QStringList();
    }
    void systemInfo()
    {
        QFETCH(QStringList, startable);
        QFETCH(QStringList, tried);
        QFETCH(QStringList, messages);
        m_dialogs->startable = startable;
        TAboutBox box(nullptr);
        TAboutWnd window(&box);
        QTest::mouseClick(window.Form().btnSysInfo, Qt::LeftButton);
        QCOMPARE(m_dialogs->startedPrograms, tried);
        QCOMPARE(m_dialogs->texts(), messages);
        if (!messages.isEmpty())
            QCOMPARE(m_dialogs->messages[0].kind, MessageKind::Error);
    }

    void theLinkOpensTheAddress()
    {
        TAboutBox box(nullptr);
        box.SetUrl(QStringLiteral("https://example.org/kalvindo"));
        TAboutWnd window(&box);
        window.show();
        QTest::mouseClick(window.Form().lblUrl, Qt::LeftButton);
        QCOMPARE(m_dialogs->openedUrls, QStringList{"https://example.org/kalvindo"});
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(window.Form().lblUrl->cursor().shape(), Qt::PointingHandCursor);
    }

    void enterAndEscapeClose_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        QTest::newRow("Enter") << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::newRow("Escape") << int(Qt::Key_Escape) << int(QDialog::Rejected);
    }
    void enterAndEscapeClose()
    {
        QFETCH(int, key);
        QFETCH(int, result);
        TAboutBox box(nullptr);
        TAboutWnd window(&box);
        window.setResult(-1);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key(key));
        QVERIFY(window.isHidden());
        QCOMPARE(window.result(), result);
    }

    // The help item keeps the page of the active language in its hint and
    // opens what it keeps; a language without a page of its own has the
    // Danish one.
    void helpOpensThePageOfTheActiveLanguage()
    {
        QDir program(m_programFolder->path());
        program.mkpath(QStringLiteral("Help/English"));
        QDir::setCurrent(m_programFolder->path());
        for (const char* f : {"English.lng", "Norsk.lng"})
            QFile::copy(QStringLiteral(KALVINDO_SOURCE_DIR "/resources/lng/") + QLatin1String(f),
                        program.filePath(QLatin1String(f)));
        QFile(program.filePath(QStringLiteral("Help/English/Index.html")))
            .open(QIODevice::WriteOnly);
        TPhoneForm form;
        QAction* help = form.HelpItem();
        const QString danish = program.filePath(QStringLiteral("Help/Index.html"));
        const QString english = program.filePath(QStringLiteral("Help/English/Index.html"));
        QCOMPARE(help->toolTip(), danish);
        form.EnglishClick();
        QCOMPARE(help->toolTip(), english);
        QCOMPARE(help->text(), QStringLiteral("Help"));
        help->trigger();
        form.NorskClick();
        QCOMPARE(help->toolTip(), danish);
        help->trigger();
        form.DanskClick();
        QCOMPARE(help->toolTip(), danish);
        QCOMPARE(m_dialogs->openedUrls, (QStringList{english, danish}));
    }

    // The program folder has a page for every language, each linking to the
    // others and to its style sheet.
    void everyLanguageHasItsShippedPage_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("lang");
        const char* const langs[] = {"da", "en", "nb", "sv", "de"};
        for (int i = -1; i <= 3; ++i)
            QTest::newRow(langs[i + 1]) << i << QString::fromLatin1(langs[i + 1]);
    }
    void everyLanguageHasItsShippedPage()
    {
        QFETCH(int, language);
        QFETCH(QString, lang);
        ProgramFolder::setPath(QStringLiteral(KALVINDO_PROGRAM_DIR));
        const QString page = Information::helpPagePath(language);
        QCOMPARE(page == ProgramFolder::filePath(QStringLiteral("Help/Index.html")),
                 language == -1);
        QFile file(page);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(page));
        const QString html = QString::fromUtf8(file.readAll());
        QVERIFY(html.contains(QStringLiteral("<html lang=\"%1\">").arg(lang)));
        const QRegularExpression link(QStringLiteral("(?:href)=\"([^\":#]+)\""));
        int links = 0;
        for (const auto& m : link.globalMatch(html)) {
            ++links;
            const QString target = QFileInfo(page).dir().filePath(m.captured(1));
            QVERIFY2(QFileInfo::exists(target), qPrintable(target));
        }
        QCOMPARE(links, 5); // the style sheet and the four other languages
    }

    // The notice of the about box is translated with the main window.
    void theNoticeFollowsTheLanguage()
    {
        QDir::setCurrent(m_programFolder->path());
        QFile::copy(QStringLiteral(KALVINDO_SOURCE_DIR "/resources/lng/English.lng"),
                    QDir(m_programFolder->path()).filePath(QStringLiteral("English.lng")));
        TPhoneForm form;
        form.EnglishClick();
        QVERIFY(form.AboutBox1()->Warning().startsWith(QStringLiteral("This program")));
        form.DanskClick();
        QCOMPARE(form.AboutBox1()->Warning(), TAboutBox::DefaultWarning);
    }

    void keywordsOpensTheKeywordWindowModally()
    {
        TempDataFolder folder;
        TPhoneForm form;
        TDM dm(nullptr, folder.data());
        TNogleForm keywords(&dm, form.QLanguageSource1());
        form.SetDataModule(&dm);
        form.SetKeywordWindow(&keywords);
        QObject* opened = nullptr;
        m_dialogs->onModal = [&opened](QObject* window) {
            opened = window;
            return 0;
        };
        form.findChild<QAction*>(QStringLiteral("Nogleord1"))->trigger();
        form.findChild<QAction*>(QStringLiteral("Nogleord1"))->trigger();
        QCOMPARE(opened, &keywords);
        QCOMPARE(m_dialogs->modalWindows, (QStringList{"NogleForm", "NogleForm"}));
    }
};

QTEST_MAIN(TestInformation)
#include "test_information.moc"
