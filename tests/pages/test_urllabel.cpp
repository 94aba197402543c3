#include "RecordingDialogs.h"
#include "TestSupport.h"
#include "core/component/ComponentTree.h"
#include "core/data/DM.h"
#include "core/util/ProgramFolder.h"
#include "gui/controls/QtDialogs.h"
#include "gui/controls/URLLabel.h"
#include "gui/pages/details/DetailsPage.h"
#include "gui/windows/PhoneForm.h"
#include "ui_DetailsPage.h"

#include <QDir>
#include <QFile>
#include <QTabWidget>
#include <QTest>

class TestURLLabel : public QObject
{
    Q_OBJECT
    std::unique_ptr<RecordingDialogs> m_dialogs;

    // Sets the text as the main window's change handlers do.
    static void setText(TURLLabel& label, const QString& text)
    {
        label.SetCaption(text);
        label.SetURL(text);
    }

private slots:
    void init() { m_dialogs = std::make_unique<RecordingDialogs>(); }
    void cleanup() { m_dialogs.reset(); }

    // What a click on the details page's links hands to the desktop, for
    // texts typed into the mail and home-page fields.
    void linksOpenOnlyAnAddressOfTheirKind_data()
    {
        QTest::addColumn<bool>("mail");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("opened"); // empty: nothing is opened
        QTest::newRow("bare address") << false << "www.example.dk/side"
                                      << "http://www.example.dk/side";
        QTest::newRow("bare address with a port") << false << "www.example.dk:8080/side"
                                                  << "http://www.example.dk:8080/side";
        QTest::newRow("http") << false << "http://www.example.dk/side"
                              << "http://www.example.dk/side";
        QTest::newRow("HTTP") << false << "HTTP://www.example.dk/Side"
                              << "http://www.example.dk/Side";
        QTest::newRow("https") << false << "https://www.example.dk/side"
                               << "https://www.example.dk/side";
        QTest::newRow("HTTPS") << false << "HTTPS://www.example.dk/side"
                               << "HTTPS://www.example.dk/side";
        QTest::newRow("letters outside ASCII") << false << "www.æblegård.dk/søren"
                                               << "http://www.æblegård.dk/søren";
        QTest::newRow("spaces around") << false << " www.example.dk "
                                       << "http://www.example.dk";
        QTest::newRow("ftp") << false << "ftp://files.example.dk"
                             << "";
        QTest::newRow("file") << false << "file:///etc/passwd"
                              << "";
        QTest::newRow("javascript") << false << "javascript:alert(1)"
                                    << "";
        QTest::newRow("a path") << false << "/etc/passwd"
                                << "";
        QTest::newRow("a relative path") << false << "../../etc/passwd"
                                         << "";
        QTest::newRow("a drive") << false << "C:\\Windows"
                                 << "";
        QTest::newRow("no address") << false << "http://"
                                    << "";
        QTest::newRow("mail address") << true << "anna@example.dk"
                                      << "mailto:anna@example.dk";
        QTest::newRow("mailto in any case") << true << "MailTo:anna@example.dk"
                                            << "mailto:anna@example.dk";
        QTest::newRow("a plus in the name") << true << "anna+jul@example.dk"
                                            << "mailto:anna+jul@example.dk";
        QTest::newRow("letters outside ASCII") << true << "søren@æblegård.dk"
                                               << "mailto:s%C3%B8ren@%C3%A6bleg%C3%A5rd.dk";
        QTest::newRow("a question mark") << true << "anna@example.dk?attach=/etc/passwd"
                                         << "mailto:anna@example.dk%3Fattach%3D%2Fetc%2Fpasswd";
        QTest::newRow("an ampersand") << true << "anna@example.dk&cc=bo@example.dk"
                                      << "mailto:anna@example.dk%26cc%3Dbo%40example.dk";
        QTest::newRow("a second at sign") << true << "anna@example.dk@elsewhere.dk"
                                          << "mailto:anna@example.dk%40elsewhere.dk";
        QTest::newRow("a web address with an at sign becomes mail")
            << false << "anna@example.dk?subject=x"
            << "mailto:anna@example.dk%3Fsubject%3Dx";
    }
    void linksOpenOnlyAnAddressOfTheirKind()
    {
        QFETCH(bool, mail);
        QFETCH(QString, text);
        QFETCH(QString, opened);
        TempDataFolder folder;
        QDir().mkpath(folder.root() + QStringLiteral("/Billeder"));
        QFile::copy(testPicture("valid.jpg"),
                    folder.root() + QStringLiteral("/Billeder/Ingen.jpg"));
        ProgramFolder::setPath(folder.root());
        auto restore = qScopeGuard([] { ProgramFolder::setPath(QString()); });
        TPhoneForm form;
        TDM dm(nullptr, folder.data());
        form.SetDataModule(&dm);
        form.ShowMain();
        const QString field = mail ? QStringLiteral("EMail") : QStringLiteral("Hjemmeside");
        addContact(*dm.TelefonTable, QStringLiteral("Anna"), QStringLiteral("1"), {field, text});
        form.PageControl1()->setCurrentWidget(
            form.findChild<QWidget*>(QStringLiteral("TabSheet1")));
        Ui::DetailsPage& ui = form.DetailsPage()->Form();
        TURLLabel* label = mail ? ui.URLLabel1 : ui.URLLabel2;
        QCOMPARE(label->text(), text);
        QTest::mouseClick(label, Qt::LeftButton);
        QCOMPARE(m_dialogs->openedUrls, opened.isEmpty() ? QStringList() : QStringList{opened});
        QCOMPARE(dm.TelefonTable->FieldByName(field).AsString(), text);
        QVERIFY(m_dialogs->messages.isEmpty());
    }

    void buildingTheMainWindowAsksTheDesktopNothing()
    {
        TPhoneForm form;
        QVERIFY(m_dialogs->handlerQueries.isEmpty());
    }

    void anAutomaticLabelAsksAtItsFirstClickOnly()
    {
        TURLLabel label;
        label.SetLinkType(TURLLabel::ltMailTo);
        label.SetURL(QStringLiteral("anna@example.dk"));
        QVERIFY(m_dialogs->handlerQueries.isEmpty());
        label.Click();
        label.Click();
        QCOMPARE(m_dialogs->handlerQueries, QStringList{"mailto"});
        QCOMPARE(m_dialogs->openedUrls.size(), 2);
        label.SetLinkType(TURLLabel::ltHTTP);
        m_dialogs->handlersPresent = false;
        label.Click();
        QCOMPARE(m_dialogs->handlerQueries, (QStringList{"mailto", "http"}));
        QCOMPARE(m_dialogs->openedUrls.size(), 2);
    }

    void theDesktopIsAskedOncePerKindOfLink()
    {
        // A stand-in for the desktop's query that notes every call.
        QTemporaryDir bin;
        const QString calls = bin.filePath(QStringLiteral("calls"));
        QFile script(bin.filePath(QStringLiteral("xdg-mime")));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho \"$3\" >> '" + calls.toUtf8() +
                     "'\ncase \"$3\" in *http) echo browser.desktop;; esac\n");
        script.close();
        script.setPermissions(script.permissions() | QFile::ExeOwner);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8() + ':' + path);
        auto restore = qScopeGuard([&] { qputenv("PATH", path); });
        QtDialogs desktop;
        QVERIFY(desktop.hasHandler(QStringLiteral("http")));
        QVERIFY(desktop.hasHandler(QStringLiteral("http")));
        QVERIFY(!desktop.hasHandler(QStringLiteral("mailto")));
        QVERIFY(!desktop.hasHandler(QStringLiteral("mailto")));
        QFile noted(calls);
        QVERIFY(noted.open(QIODevice::ReadOnly));
        QCOMPARE(noted.readAll(), QByteArray("x-scheme-handler/http\nx-scheme-handler/mailto\n"));
    }

    void theEndOfLoadingGivesAnAutomaticLabelItsPassiveFont()
    {
        QWidget window;
        ComponentTree::beginLoading(&window);
        auto* label = new TURLLabel(&window);
        label->setObjectName(QStringLiteral("URLLabel9"));
        QFont passive = label->font();
        passive.setBold(true);
        label->SetPassiveFont(passive);
        QVERIFY(!label->font().bold());
        ComponentTree::endLoading(&window);
        QVERIFY(label->font().bold());
        QVERIFY(!label->font().underline());
    }

    void clickOpensTheDerivedTarget_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("target");
        const int web = TURLLabel::ltHTTP, mail = TURLLabel::ltMailTo;
        QTest::newRow("http prefix dropped") << web << "http://example.dk"
                                             << "example.dk"
                                             << "http://example.dk";
        QTest::newRow("http prefix in any case") << web << "HtTp://example.dk"
                                                 << "example.dk"
                                                 << "http://example.dk";
        QTest::newRow("no prefix") << web << "example.dk"
                                   << "example.dk"
                                   << "http://example.dk";
        QTest::newRow("https kept and opened as it is") << web << "https://example.dk"
                                                        << "https://example.dk"
                                                        << "https://example.dk";
        QTest::newRow("ftp kept, never opened") << web << "ftp://files.dk"
                                                << "ftp://files.dk"
                                                << "";
        QTest::newRow("mailto dropped") << web << "MAILTO:bo@example.dk"
                                        << "bo@example.dk"
                                        << "mailto:bo@example.dk";
        QTest::newRow("at sign turns a web label into mail") << web << "bo@example.dk"
                                                             << "bo@example.dk"
                                                             << "mailto:bo@example.dk";
        QTest::newRow("mail label") << mail << "bo@example.dk"
                                    << "bo@example.dk"
                                    << "mailto:bo@example.dk";
        QTest::newRow("empty mail label opens a new message") << mail << ""
                                                              << ""
                                                              << "mailto:";
    }
    void clickOpensTheDerivedTarget()
    {
        QFETCH(int, kind);
        QFETCH(QString, text);
        QFETCH(QString, url);
        QFETCH(QString, target);
        TURLLabel label;
        label.SetLabelType(TURLLabel::Active);
        label.SetLinkType(TURLLabel::TLinkType(kind));
        setText(label, text);
        QCOMPARE(label.URL(), url);
        QCOMPARE(label.text(), text);
        label.Click();
        QCOMPARE(m_dialogs->openedUrls, target.isEmpty() ? QStringList() : QStringList{target});
    }

    void mailKindStaysAfterAnAtSign()
    {
        TURLLabel label;
        label.SetLabelType(TURLLabel::Active);
        setText(label, QStringLiteral("bo@example.dk"));
        setText(label, QStringLiteral("example.dk"));
        QCOMPARE(label.LinkType(), TURLLabel::ltMailTo);
        label.Click();
        QCOMPARE(m_dialogs->openedUrls, QStringList{QStringLiteral("mailto:example.dk")});
    }

    void whoOpensLinks_data()
    {
        QTest::addColumn<int>("labelType");
        QTest::addColumn<int>("linkType");
        QTest::addColumn<bool>("handler");
        QTest::addColumn<bool>("opens");
        QTest::newRow("active") << int(TURLLabel::Active) << int(TURLLabel::ltHTTP) << false
                                << true;
        QTest::newRow("passive never")
            << int(TURLLabel::Passive) << int(TURLLabel::ltHTTP) << true << false;
        QTest::newRow("auto with a handler")
            << int(TURLLabel::Auto) << int(TURLLabel::ltMailTo) << true << true;
        QTest::newRow("auto without a handler")
            << int(TURLLabel::Auto) << int(TURLLabel::ltMailTo) << false << false;
        QTest::newRow("none never, even active")
            << int(TURLLabel::Active) << int(TURLLabel::ltNone) << true << false;
    }
    void whoOpensLinks()
    {
        QFETCH(int, labelType);
        QFETCH(int, linkType);
        QFETCH(bool, handler);
        QFETCH(bool, opens);
        m_dialogs->handlersPresent = handler;
        TURLLabel label;
        label.SetLabelType(TURLLabel::TLabelType(labelType));
        label.SetLinkType(TURLLabel::TLinkType(linkType));
        label.SetURL(QStringLiteral("example.dk"));
        int clicks = 0;
        connect(&label, &TURLLabel::clicked, [&] { ++clicks; });
        QTest::mouseClick(&label, Qt::LeftButton);
        QCOMPARE(clicks, 1);
        QCOMPARE(m_dialogs->openedUrls.size(), opens ? 1 : 0);
    }

    void displayTextAndHint_data()
    {
        QTest::addColumn<bool>("showPrefix");
        QTest::addColumn<bool>("asHint");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("hint");
        QTest::newRow("prefix shown as hint") << true << true << "http://example.dk"
                                              << "http://example.dk";
        QTest::newRow("no prefix") << false << true << "example.dk"
                                   << "example.dk";
        QTest::newRow("no hint") << true << false << "http://example.dk"
                                 << "";
    }
    void displayTextAndHint()
    {
        QFETCH(bool, showPrefix);
        QFETCH(bool, asHint);
        QFETCH(QString, shown);
        QFETCH(QString, hint);
        TURLLabel label;
        label.SetURLAsHint(asHint);
        label.SetShowPrefix(showPrefix);
        label.SetURL(QStringLiteral("example.dk"));
        QCOMPARE(label.DisplayText(), shown);
        QCOMPARE(label.text(), shown); // no caption assigned yet: the display text shows
        QCOMPARE(label.toolTip(), hint);
    }

    void captionOnceSetIsNotChangedByTheURL()
    {
        TURLLabel label;
        label.SetURL(QStringLiteral("first.dk"));
        QCOMPARE(label.text(), QStringLiteral("first.dk"));
        label.SetCaption(QStringLiteral("Hjemmeside"));
        label.SetURL(QStringLiteral("second.dk"));
        QCOMPARE(label.text(), QStringLiteral("Hjemmeside"));
        QCOMPARE(label.DisplayText(), QStringLiteral("second.dk"));
    }

    void sameURLTwiceChangesNothing()
    {
        TURLLabel label;
        label.SetURL(QStringLiteral("http://example.dk"));
        label.SetShowPrefix(true);
        label.SetCaption(QString());
        label.SetURL(QStringLiteral("http://example.dk"));
        QCOMPARE(label.URL(), QStringLiteral("example.dk"));
    }

    void fontsFollowTheTypeAndTheMouse()
    {
        TURLLabel label;
        QVERIFY(label.LinkFont().underline());
        QVERIFY(!label.font().underline());
        label.SetLabelType(TURLLabel::Active);
        QVERIFY(label.font().underline());
        label.SetLabelType(TURLLabel::Auto);
        label.Loaded();
        QVERIFY(!label.font().underline());
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(&label, &enter);
        QVERIFY(label.font().underline());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&label, &leave);
        QVERIFY(!label.font().underline());
    }

    void ampersandIsShownAsItIs()
    {
        TURLLabel label;
        setText(label, QStringLiteral("a&b.dk"));
        QCOMPARE(label.textFormat(), Qt::PlainText);
        QCOMPARE(label.text(), QStringLiteral("a&b.dk"));
    }

    void rightAlignedLabelGrowsToTheLeft()
    {
        QWidget parent;
        TURLLabel label(&parent);
        label.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label.setGeometry(600, 141, 18, 16);
        const int right = label.geometry().right();
        setText(label, QStringLiteral("someone.with.a.long.name@example.dk"));
        QCOMPARE(label.geometry().right(), right);
        QVERIFY(label.width() > 100);
    }
};

QTEST_MAIN(TestURLLabel)
#include "test_urllabel.moc"
