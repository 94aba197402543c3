#include "TestSupport.h"
#include "core/data/DM.h"
#include "core/i18n/InCodeText.h"
#include "core/i18n/LanguageSource.h"
#include "core/text/AddressText.h"
#include "core/util/Exception.h"
#include "gui/pages/details/ContactPicture.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>

namespace {

void addNumberedContact(TTable& t, const QString& name, qint64 regnr)
{
    addContact(t, name, QStringLiteral("1234"), {QStringLiteral("Regnr"), QString::number(regnr)});
}

} // namespace

class TestPicture : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<QLabel> m_box;
    std::unique_ptr<ContactPicture> m_picture;
    QString m_pictures;

private slots:
    void init()
    {
        m_folder = std::make_unique<TempDataFolder>();
        m_pictures = m_folder->root() + QStringLiteral("/Billeder");
        QDir().mkpath(m_pictures);
        QFile::copy(testPicture("valid.jpg"), m_pictures + QStringLiteral("/Ingen.jpg"));
        m_dm = std::make_unique<TDM>(nullptr, m_folder->data());
        m_dm->RegTable->Open();
        m_dm->TelefonTable->Open();
        m_box = std::make_unique<QLabel>();
        m_picture = std::make_unique<ContactPicture>(m_box.get(), m_dm->TelefonTable, m_pictures,
                                                     m_pictures + QStringLiteral("/Ingen.jpg"));
    }
    void cleanup()
    {
        m_picture.reset();
        m_box.reset();
        m_dm.reset();
        m_folder.reset();
    }

    void contactWithoutFileShowsPlaceholder()
    {
        addNumberedContact(*m_dm->TelefonTable, QStringLiteral("Anna"), 17);
        m_picture->Billede();
        QVERIFY(m_picture->ShownPath().endsWith(QLatin1String("/Ingen.jpg")));
        QCOMPARE(m_box->pixmap().size(), QSize(240, 285));
    }

    void contactShowsOwnPicture()
    {
        addNumberedContact(*m_dm->TelefonTable, QStringLiteral("Anna"), 17);
        QFile::copy(testPicture("gray.jpg"), m_pictures + QStringLiteral("/17.jpg"));
        m_picture->Billede();
        QVERIFY(m_picture->ShownPath().endsWith(QLatin1String("/17.jpg")));
        QCOMPARE(m_box->size(), QSize(64, 48));
    }

    void brokenOwnPictureShowsPlaceholder_data()
    {
        QTest::addColumn<QByteArray>("content");
        QFile f(testPicture("gray.jpg"));
        f.open(QIODevice::ReadOnly);
        const QByteArray good = f.readAll();
        QTest::newRow("truncated") << good.left(good.size() / 2);
        QTest::newRow("not a picture") << QByteArray("hello");
        QTest::newRow("empty") << QByteArray();
    }
    void brokenOwnPictureShowsPlaceholder()
    {
        QFETCH(QByteArray, content);
        addNumberedContact(*m_dm->TelefonTable, QStringLiteral("Anna"), 5);
        QFile f(m_pictures + QStringLiteral("/5.jpg"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        m_picture->Billede();
        QVERIFY(m_picture->ShownPath().endsWith(QLatin1String("/Ingen.jpg")));
    }

    void emptyNameKeepsTheBox()
    {
        addNumberedContact(*m_dm->TelefonTable, QString(), 3);
        m_picture->ShowPlaceholder();
        m_box->clear();
        m_picture->Billede();
        QVERIFY(m_box->pixmap().isNull());
    }

    void missingPlaceholderIsAnError()
    {
        addNumberedContact(*m_dm->TelefonTable, QStringLiteral("Anna"), 9);
        QFile::remove(m_pictures + QStringLiteral("/Ingen.jpg"));
        QVERIFY_THROWS_EXCEPTION(Exception, m_picture->Billede());
    }

    // Asked again for the same contact, the picture follows its file: one
    // that appeared, was replaced or was removed since is read again.
    void askedAgainFollowsTheFile_data()
    {
        QTest::addColumn<QString>("before"); // the contact's file at the first ask
        QTest::addColumn<QString>("after");  // ... and at the second; empty: none
        QTest::addColumn<QSize>("shown");
        QTest::newRow("unchanged") << "gray.jpg" << "gray.jpg" << QSize(64, 48);
        QTest::newRow("appeared") << QString() << "gray.jpg" << QSize(64, 48);
        QTest::newRow("replaced") << "gray.jpg" << "valid.jpg" << QSize(240, 285);
        QTest::newRow("removed") << "gray.jpg" << QString() << QSize(240, 285);
    }

    void askedAgainFollowsTheFile()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QSize, shown);
        addNumberedContact(*m_dm->TelefonTable, QStringLiteral("Anna"), 17);
        const QString own = m_pictures + QStringLiteral("/17.jpg");
        if (!before.isEmpty())
            QVERIFY(QFile::copy(testPicture(qPrintable(before)), own));
        m_picture->Billede();
        if (after != before) {
            QFile::remove(own);
            if (!after.isEmpty()) {
                QVERIFY(QFile::copy(testPicture(qPrintable(after)), own));
                // Another time of change, also on a file system that keeps
                // whole seconds only.
                QFile file(own);
                QVERIFY(file.open(QIODevice::ReadWrite));
                QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-100),
                                         QFileDevice::FileModificationTime));
            }
        }
        m_picture->Billede();
        QCOMPARE(m_picture->Shown().size(), shown);
    }

    void fetchReplacesTheOldPicture()
    {
        addNumberedContact(*m_dm->TelefonTable, QStringLiteral("Anna"), 4);
        QFile::copy(testPicture("valid.jpg"), m_pictures + QStringLiteral("/4.jpg"));
        m_picture->Fetch(testPicture("gray.jpg"));
        QFile written(m_pictures + QStringLiteral("/4.jpg"));
        QFile chosen(testPicture("gray.jpg"));
        QVERIFY(written.open(QIODevice::ReadOnly) && chosen.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), chosen.readAll());
        QCOMPARE(m_picture->Shown().size(), QSize(64, 48));
        QCOMPARE(m_dm->TelefonTable->State(), DataSetState::Browse);
    }

    void failedFetchKeepsTheOldPicture_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::newRow("missing file") << QStringLiteral("/nonexistent/picture.jpg");
        QTest::newRow("not a jpeg") << testPicture("not-a-picture.jpg");
    }
    void failedFetchKeepsTheOldPicture()
    {
        QFETCH(QString, chosen);
        QFile junk(testPicture("not-a-picture.jpg"));
        QVERIFY(junk.exists());
        addNumberedContact(*m_dm->TelefonTable, QStringLiteral("Anna"), 4);
        const QString old = m_pictures + QStringLiteral("/4.jpg");
        QFile::copy(testPicture("valid.jpg"), old);
        QVERIFY_THROWS_EXCEPTION(Exception, m_picture->Fetch(chosen));
        QFile kept(old);
        QFile original(testPicture("valid.jpg"));
        QVERIFY(kept.open(QIODevice::ReadOnly) && original.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), original.readAll());
        QCOMPARE(QDir(m_pictures).entryList(QDir::Files).size(), 2); // no temporary file left
    }

    // Every way a fetch can fail is told in the active language.
    void fetchFailuresSpeakTheActiveLanguage_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("words"); // no contact, not a picture, no file, no folder
        QTest::newRow("Dansk") << -1
                               << QStringList{"ingen kontakt", "ikke et billede", "kan ikke læses",
                                              "Billedmappen"};
        QTest::newRow("English") << 0
                                 << QStringList{"no contact", "not a picture", "Cannot read",
                                                "picture folder"};
        QTest::newRow("Norsk") << 1
                               << QStringList{"ingen kontakt", "ikke et bilde", "kan ikke leses",
                                              "Bildemappen"};
        QTest::newRow("Svensk") << 2
                                << QStringList{"ingen kontakt", "inte en bild", "kan inte läsas",
                                               "Bildmappen"};
        QTest::newRow("Deutsch") << 3
                                 << QStringList{"keinen Kontakt", "kein Bild", "nicht gelesen",
                                                "Bilderordner"};
    }
    void fetchFailuresSpeakTheActiveLanguage()
    {
        QFETCH(int, language);
        QFETCH(QStringList, words);
        TQCustomLanguageSource source;
        source.SetLanguages({"English=", "Norsk=", "Svensk=", "Deutsch="});
        source.SetActiveLanguage(language);
        InCodeText::setSource(&source);
        auto unregister = qScopeGuard([] { InCodeText::setSource(nullptr); });
        const auto failure = [this](const QString& chosen) {
            try {
                m_picture->Fetch(chosen);
            } catch (const Exception& e) {
                return e.message();
            }
            return QString();
        };
        QStringList said{failure(testPicture("gray.jpg"))};
        addNumberedContact(*m_dm->TelefonTable, QStringLiteral("Anna"), 4);
        said << failure(testPicture("not-a-picture.jpg"))
             << failure(QStringLiteral("/nonexistent.jpg"));
        QVERIFY(QDir(m_pictures).removeRecursively());
        said << failure(testPicture("gray.jpg"));
        for (int i = 0; i < words.size(); ++i)
            QVERIFY2(said[i].contains(words[i]), qPrintable(said[i]));
        QVERIFY(said[1].contains(QLatin1String("not-a-picture.jpg")));
        QVERIFY(said[3].contains(m_pictures));
    }

    void addressText_data()
    {
        QTest::addColumn<QStringList>("fields"); // navn, adresse1, adresse2, postnr, bynavn, land
        QTest::addColumn<QString>("text");
        const QString longName = QString(70, u'N');
        QTest::newRow("letter") << QStringList{"Anna Berg", "Vestergade 12", "",
                                               "8000",      "Aarhus C",      "Danmark"}
                                << "Anna Berg\r\nVestergade 12\r\n8000 Aarhus C\r\nDanmark";
        QTest::newRow("two address lines")
            << QStringList{"Bo", "c/o Hansen", "Nørre allé 3", "2200", "København N", "Danmark"}
            << "Bo\r\nc/o Hansen\r\nNørre allé 3\r\n2200 København N\r\nDanmark";
        QTest::newRow("name cut to 64")
            << QStringList{longName, QString(80, u'a'), "", "", "", ""}
            << QString(64, u'N') + "\r\n" + QString(80, u'a') + "\r\n\r\n";
        QTest::newRow("town without postal code")
            << QStringList{"Bo", "", "", "", "Aarhus", "Norge"} << "Bo\r\n Aarhus\r\nNorge";
        QTest::newRow("neither postal code nor town")
            << QStringList{"Bo", "Vej 1", "", "", "", "Danmark"} << "Bo\r\nVej 1\r\n\r\nDanmark";
        QTest::newRow("no country ends with the postal line")
            << QStringList{"Bo", "", "", "8000", "Aarhus", ""} << "Bo\r\n8000 Aarhus\r\n";
        QTest::newRow("no contact at all") << QStringList{"", "", "", "", "", ""} << "\r\n";
        QTest::newRow("postal line cut to 64")
            << QStringList{"", "", "", "8000", QString(70, u'x'), ""}
            << "8000 " + QString(59, u'x') + "\r\n";
    }
    void addressText()
    {
        QFETCH(QStringList, fields);
        QFETCH(QString, text);
        const Address::Fields f{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]};
        QCOMPARE(Address::Text(f), text);
    }
};

QTEST_MAIN(TestPicture)
#include "test_picture.moc"
