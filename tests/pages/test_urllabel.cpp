#include "RecordingDialogs.h"
#include "gui/controls/URLLabel.h"

#include <QtTest>

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
        QTest::newRow("other scheme kept") << web << "https://example.dk"
                                           << "https://example.dk"
                                           << "http://https://example.dk";
        QTest::newRow("ftp kept") << web << "ftp://files.dk"
                                  << "ftp://files.dk"
                                  << "http://ftp://files.dk";
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
        QCOMPARE(m_dialogs->openedUrls, QStringList{target});
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
