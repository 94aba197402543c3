#include "StoreTestHelpers.h"
#include "TestSupport.h"
#include "core/backup/DataBackup.h"
#include "core/store/Transaction.h"
#include "core/util/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

const QDateTime Now(QDate(2026, 12, 9), QTime(14, 30, 0));

// As the program writes a picture: a new file in place of the old one, so
// that a backup's link keeps the old one.
void writeFile(const QString& path, const QByteArray& data)
{
    QFile::remove(path);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

int mode(const QString& path)
{
    struct stat st
    {
    };
    ::stat(QFile::encodeName(path).constData(), &st);
    return int(st.st_mode & 0777);
}

} // namespace

class TestBackup : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<QTemporaryDir> m_pictures;
    std::unique_ptr<TTable> m_telefon;

    DataBackup backup() const { return DataBackup(m_folder->data(), m_pictures->path()); }
    QString picture(const QString& name) const { return QDir(m_pictures->path()).filePath(name); }
    QStringList names() { return column(*m_telefon, QStringLiteral("Navn")); }
    void reopen() { m_telefon->Open(); }

private slots:
    void init()
    {
        m_folder = std::make_unique<TempDataFolder>();
        m_pictures = std::make_unique<QTemporaryDir>();
        m_telefon = openTable(m_folder->data(), QStringLiteral("Telefon.DB"));
        addContact(*m_telefon, QStringLiteral("Anna"), QStringLiteral("11"));
        writeFile(picture(QStringLiteral("1.jpg")), "anna's picture");
        writeFile(picture(QStringLiteral("Ingen.jpg")), "placeholder");
    }
    void cleanup()
    {
        m_telefon.reset();
        m_pictures.reset();
        m_folder.reset();
    }

    void thinningKeepsTheLatestAndOnePerMonth_data()
    {
        QTest::addColumn<QList<QDateTime>>("taken");
        QTest::addColumn<int>("kept");
        QTest::addColumn<QList<QDateTime>>("mustGo");

        QList<QDateTime> today;
        for (int i = 0; i < 15; ++i)
            today << Now.addSecs(-60 * i);
        QTest::newRow("fifteen today") << today << 10 << QList<QDateTime>{today.last()};

        QList<QDateTime> monthly;
        for (int m = 0; m < 20; ++m)
            monthly << Now.addMonths(-m);
        // Ten newest, and the newest of each month up to eleven months back.
        QTest::newRow("one a month for twenty months")
            << monthly << 12 << QList<QDateTime>{monthly[12], monthly[19]};

        QList<QDateTime> mixed = today;
        mixed << Now.addMonths(-1) << Now.addMonths(-1).addDays(-2) << Now.addMonths(-13);
        // The month before: its newest stays, its older one goes; a year ago goes.
        QTest::newRow("recent and older")
            << mixed << 11 << QList<QDateTime>{mixed[16], mixed[17], today.last()};

        QTest::newRow("none") << QList<QDateTime>{} << 0 << QList<QDateTime>{};
    }
    void thinningKeepsTheLatestAndOnePerMonth()
    {
        QFETCH(QList<QDateTime>, taken);
        QFETCH(int, kept);
        QFETCH(QList<QDateTime>, mustGo);
        const auto result =
            DataBackup::Kept(std::vector<QDateTime>(taken.begin(), taken.end()), Now);
        QCOMPARE(int(result.size()), kept);
        for (const QDateTime& gone : mustGo)
            QVERIFY2(std::find(result.begin(), result.end(), gone) == result.end(),
                     qPrintable(gone.toString(Qt::ISODate)));
    }

    void thinningRemovesTheFolders()
    {
        DataBackup b = backup();
        for (int i = 0; i < 12; ++i)
            b.Take(Now.addSecs(-i));
        b.Thin(Now);
        const auto left = b.List();
        QCOMPARE(int(left.size()), 10);
        QCOMPARE(left.front().taken, Now);
        QCOMPARE(left.front().contacts, 1);
    }

    void backupHoldsWhatWasCommitted()
    {
        // A contact posted inside a transaction not yet committed, and one
        // being edited: neither is in the backup, and the copy is sound.
        Transaction open(*m_telefon);
        addContact(*m_telefon, QStringLiteral("Bo"), QStringLiteral("22"));
        m_telefon->First();
        m_telefon->Edit();
        m_telefon->FieldByName(QStringLiteral("Adresse1")).SetAsString(QStringLiteral("typed"));
        const QString taken = backup().Take(Now);
        m_telefon->Cancel();
        open.Commit();

        RawConnection copy(QDir(taken).filePath(QStringLiteral("Telefon.DB")));
        QCOMPARE(copy.query(QStringLiteral("SELECT Navn || '/' || ifnull(Adresse1, '') FROM "
                                           "Telefon")),
                 QStringList{QStringLiteral("Anna/")});
        QCOMPARE(copy.query(QStringLiteral("PRAGMA integrity_check")),
                 QStringList{QStringLiteral("ok")});
        QDir data(m_folder->data());
        for (const QString& file : data.entryList(QDir::Files))
            QVERIFY2(QFileInfo::exists(QDir(taken).filePath(file)), qPrintable(file));
    }

    void backupIsTheUsersAloneAndLinksPictures()
    {
        const QString taken = backup().Take(Now);
        QCOMPARE(mode(backup().BackupRoot()), 0700);
        QCOMPARE(mode(taken), 0700);
        QCOMPARE(mode(QDir(taken).filePath(QStringLiteral("Telefon.DB"))), 0600);
        const QString copied = QDir(taken).filePath(QStringLiteral("Billeder/1.jpg"));
        QCOMPARE(fileContents(copied), QByteArray("anna's picture"));
        struct stat a
        {
        }, b{};
        ::stat(QFile::encodeName(copied).constData(), &a);
        ::stat(QFile::encodeName(picture(QStringLiteral("1.jpg"))).constData(), &b);
        QCOMPARE(a.st_ino, b.st_ino);
        QVERIFY(!QFileInfo::exists(QDir(taken).filePath(QStringLiteral("Billeder/Ingen.jpg"))));
    }

    void unchangedTableFilesAreLinkedToTheNewestBackup()
    {
        DataBackup b = backup();
        const QString first = b.Take(Now);
        const QString second = b.Take(Now.addSecs(1));
        addContact(*m_telefon, QStringLiteral("Bo"), QStringLiteral("22"));
        const QString third = b.Take(Now.addSecs(2));
        const auto inode = [](const QString& folder, const char* file) {
            struct stat st
            {
            };
            ::stat(QFile::encodeName(QDir(folder).filePath(QLatin1String(file))).constData(), &st);
            return st.st_ino;
        };
        QCOMPARE(inode(second, "Telefon.DB"), inode(first, "Telefon.DB"));
        QCOMPARE(inode(third, "Postnr.DB"), inode(first, "Postnr.DB"));
        QVERIFY(inode(third, "Telefon.DB") != inode(second, "Telefon.DB"));
        RawConnection copy(QDir(third).filePath(QStringLiteral("Telefon.DB")));
        QCOMPARE(copy.query(QStringLiteral("SELECT count(*) FROM Telefon")),
                 QStringList{QStringLiteral("2")});
        RawConnection old(QDir(second).filePath(QStringLiteral("Telefon.DB")));
        QCOMPARE(old.query(QStringLiteral("SELECT count(*) FROM Telefon")),
                 QStringList{QStringLiteral("1")});
    }

    void unchangedPicturesShareOneFolder()
    {
        DataBackup b = backup();
        const QString first = b.Take(Now);
        const QString second = b.Take(Now.addSecs(1));
        const QString third = b.Take(Now.addSecs(2));
        const auto pictures = [](const QString& folder) {
            return QFileInfo(QDir(folder).filePath(QStringLiteral("Billeder")));
        };
        QVERIFY(!pictures(first).isSymLink());
        QVERIFY(pictures(second).isSymLink());
        // Each shares the folder that holds the files, never a link to a link.
        QCOMPARE(pictures(third).symLinkTarget(), pictures(first).absoluteFilePath());
        QCOMPARE(fileContents(third + QStringLiteral("/Billeder/1.jpg")),
                 QByteArray("anna's picture"));

        writeFile(picture(QStringLiteral("1.jpg")), "a new picture");
        const QString fourth = b.Take(Now.addSecs(3));
        QVERIFY(!pictures(fourth).isSymLink());
        QCOMPARE(fileContents(fourth + QStringLiteral("/Billeder/1.jpg")),
                 QByteArray("a new picture"));
        QCOMPARE(fileContents(third + QStringLiteral("/Billeder/1.jpg")),
                 QByteArray("anna's picture"));
    }

    void thinningKeepsThePicturesOfTheBackupsThatStay()
    {
        DataBackup b = backup();
        // Twelve backups of the same pictures: the two oldest go, and with
        // them the folder all the others share.
        for (int i = 0; i < 12; ++i)
            b.Take(Now.addSecs(i - 11));
        b.Thin(Now);
        const auto left = b.List(false);
        QCOMPARE(int(left.size()), 10);
        for (const auto& kept : left)
            QVERIFY2(fileContents(kept.folder + QStringLiteral("/Billeder/1.jpg")) ==
                         "anna's picture",
                     qPrintable(kept.folder));
        QVERIFY(!QFileInfo(left.back().folder + QStringLiteral("/Billeder")).isSymLink());

        writeFile(picture(QStringLiteral("1.jpg")), "another picture");
        b.Restore(
            left.front().folder, Now.addSecs(60), [&] { m_telefon->Close(); }, [&] { reopen(); });
        QCOMPARE(fileContents(picture(QStringLiteral("1.jpg"))), QByteArray("anna's picture"));
    }

    void aChangedPictureAloneCallsForABackup()
    {
        DataBackup b = backup();
        QVERIFY(!b.TakeIfChanged(Now).isEmpty());
        QVERIFY(b.TakeIfChanged(Now.addSecs(3600)).isEmpty());
        writeFile(picture(QStringLiteral("2.jpg")), "bo's picture");
        const QString taken = b.TakeIfChanged(Now.addSecs(7200));
        QVERIFY(!taken.isEmpty());
        QCOMPARE(fileContents(taken + QStringLiteral("/Billeder/2.jpg")),
                 QByteArray("bo's picture"));
    }

    void unchangedDataTakesNoNewBackup()
    {
        DataBackup b = backup();
        QVERIFY(!b.TakeIfChanged(Now).isEmpty());
        QVERIFY(b.TakeIfChanged(Now.addSecs(3600)).isEmpty());
        addContact(*m_telefon, QStringLiteral("Bo"), QStringLiteral("22"));
        QVERIFY(!b.TakeIfChanged(Now.addSecs(7200)).isEmpty());
        QCOMPARE(int(b.List().size()), 2);
    }

    void restoreRoundTrip()
    {
        DataBackup b = backup();
        const QString taken = b.Take(Now);
        addContact(*m_telefon, QStringLiteral("Bo"), QStringLiteral("22"));
        writeFile(picture(QStringLiteral("1.jpg")), "another picture");
        writeFile(picture(QStringLiteral("2.jpg")), "bo's picture");

        int closed = 0;
        b.Restore(
            taken, Now.addSecs(60), [&] { ++closed, m_telefon->Close(); }, [&] { reopen(); });
        QCOMPARE(closed, 1);
        QCOMPARE(names(), QStringList{QStringLiteral("Anna")});
        QCOMPARE(fileContents(picture(QStringLiteral("1.jpg"))), QByteArray("anna's picture"));
        QVERIFY(!QFileInfo::exists(picture(QStringLiteral("2.jpg"))));
        QVERIFY(QFileInfo::exists(picture(QStringLiteral("Ingen.jpg"))));

        // Today's data went into a backup of its own first.
        const auto backups = b.List();
        QCOMPARE(int(backups.size()), 2);
        QCOMPARE(backups.front().contacts, 2);
        QCOMPARE(
            fileContents(QDir(backups.front().folder).filePath(QStringLiteral("Billeder/2.jpg"))),
            QByteArray("bo's picture"));
        QVERIFY(
            !QFileInfo::exists(QDir(m_folder->data()).filePath(QStringLiteral(".restore-old"))));
    }

    void damagedBackupIsRefusedBeforeAnythingChanges_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("missing file") << "missing";
        QTest::newRow("not a database") << "garbage";
        QTest::newRow("cut short") << "truncated";
    }
    void damagedBackupIsRefusedBeforeAnythingChanges()
    {
        QFETCH(QString, damage);
        DataBackup b = backup();
        const QString taken = b.Take(Now);
        addContact(*m_telefon, QStringLiteral("Bo"), QStringLiteral("22"));
        const QString file = QDir(taken).filePath(QStringLiteral("Telefon.DB"));
        if (damage == QLatin1String("missing"))
            QFile::remove(file);
        else if (damage == QLatin1String("garbage"))
            writeFile(file, QByteArray(8192, 'x'));
        else
            QFile::resize(file, QFileInfo(file).size() / 2);

        bool closed = false;
        QVERIFY_THROWS_EXCEPTION(Exception,
                                 b.Restore(
                                     taken, Now.addSecs(60), [&] { closed = true; }, [] {}));
        QVERIFY(!closed);
        QCOMPARE(names().size(), 2);
        QCOMPARE(int(b.List().size()), 1); // not even the backup of today's data
    }

    void restoreThatCannotReopenPutsTodaysDataBack()
    {
        DataBackup b = backup();
        const QString taken = b.Take(Now);
        addContact(*m_telefon, QStringLiteral("Bo"), QStringLiteral("22"));
        int opened = 0;
        QVERIFY_THROWS_EXCEPTION(Exception, b.Restore(
                                                taken, Now.addSecs(60), [&] { m_telefon->Close(); },
                                                [&] {
                                                    if (opened++ == 0)
                                                        throw Exception(QStringLiteral("no"));
                                                    reopen();
                                                }));
        QCOMPARE(opened, 2);
        QCOMPARE(names().size(), 2);
        QCOMPARE(fileContents(picture(QStringLiteral("1.jpg"))), QByteArray("anna's picture"));
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "test_backup.moc"
