// Broken files of every kind the program reads: table files, language files
// and pictures. Each is told to the user or met with the documented
// fallback, nothing crashes, and the broken file is never changed.
#include "MainWindowFixture.h"
#include "RecordingDialogs.h"
#include "TestSupport.h"

#include "core/data/DM.h"
#include "core/i18n/LanguageFile.h"
#include "core/i18n/LanguageSource.h"
#include "core/shape/FormShape.h"
#include "core/store/Schema.h"
#include "core/util/Exception.h"
#include "core/util/JpegLoader.h"
#include "gui/pages/details/ContactPicture.h"
#include "gui/windows/PhoneForm.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QRandomGenerator>
#include <QtEndian>
#include <QTest>

#include <limits>
#include <sqlite3.h>

namespace {

QByteArray randomBytes(quint32 seed, qsizetype size)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& b : bytes)
        b = char(random.bounded(256));
    return bytes;
}

// Random bytes flipped in the second half of a file, where a table's pages
// or a picture's compressed data lie.
QByteArray damaged(QByteArray bytes, quint32 seed, int flips)
{
    QRandomGenerator random(seed);
    for (int i = 0; i < flips; ++i)
        bytes[bytes.size() / 2 + random.bounded(int(bytes.size() / 2))] ^=
            char(1 + random.bounded(255));
    return bytes;
}

// The b-tree header of every page after the first overwritten with random
// bytes: the structure SQLite finds its records by is gone.
QByteArray withDamagedPages(QByteArray file, quint32 seed)
{
    constexpr int page = 4096;
    const QByteArray noise = randomBytes(seed, file.size() / page * 12);
    for (qsizetype at = page, n = 0; at + 12 <= file.size(); at += page, n += 12)
        file.replace(at, 12, noise.mid(n, 12));
    return file;
}

// The names of a table file's columns.
QStringList columnsOf(sqlite3* db, const QString& table)
{
    QStringList columns;
    sqlite3_stmt* info = nullptr;
    sqlite3_prepare_v2(db, QStringLiteral("PRAGMA table_info(%1)").arg(table).toUtf8().constData(),
                       -1, &info, nullptr);
    while (sqlite3_step(info) == SQLITE_ROW)
        columns << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(info, 1)));
    sqlite3_finalize(info);
    return columns;
}

// The table made again without the last of the program's fields (a
// column of another name in its place when it was the only one), its rows kept.
void dropLastField(const QString& path, const TableDefinition& table)
{
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    const QString name = Schema::quoted(table.name);
    QStringList kept = columnsOf(db, name);
    kept.removeAll(table.fields.back().name);
    for (QString& column : kept)
        column = Schema::quoted(column);
    const QString columns = kept.join(u", ");
    const QString sql = QStringLiteral("ALTER TABLE %1 RENAME TO old; CREATE TABLE %1 (%2); "
                                       "INSERT INTO %1 SELECT %3 FROM old; DROP TABLE old")
                            .arg(name, kept.isEmpty() ? QStringLiteral("Andet") : columns,
                                 kept.isEmpty() ? QStringLiteral("1") : columns);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    const QString message = QString::fromUtf8(error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(message));
}

// A JPEG picture whose frame header claims another size.
QByteArray withClaimedSize(QByteArray jpeg, int width, int height)
{
    for (qsizetype i = 2; i + 9 < jpeg.size(); ++i) {
        const auto marker = uchar(jpeg[i + 1]);
        if (uchar(jpeg[i]) == 0xFF && marker >= 0xC0 && marker <= 0xC2) {
            jpeg[i + 5] = char(height >> 8);
            jpeg[i + 6] = char(height & 0xFF);
            jpeg[i + 7] = char(width >> 8);
            jpeg[i + 8] = char(width & 0xFF);
            return jpeg;
        }
    }
    return QByteArray();
}

// The header of a picture alone: everything up to its first scan's data,
// the scan's own header included.
QByteArray headerOnly(const QByteArray& jpeg)
{
    const qsizetype scan = jpeg.indexOf("\xFF\xDA");
    const int length = (uchar(jpeg[scan + 2]) << 8) | uchar(jpeg[scan + 3]);
    return jpeg.left(scan + 2 + length);
}

// A stored window shape of one rectangle given by its four numbers.
QByteArray shapeOf(qint32 left, qint32 top, qint32 right, qint32 bottom)
{
    QByteArray data;
    for (qint32 v : {FormShape::HeaderSize, FormShape::RectanglesType, 1, FormShape::RectangleSize,
                     left, top, right, bottom, left, top, right, bottom}) {
        char b[4];
        qToLittleEndian(v, b);
        data.append(b, 4);
    }
    return FormShape::write(data);
}

// A picture damaged inside its compressed data may decode to other pixels.
const QString MayDecode = QStringLiteral("may decode");

QString joined(const RecordingDialogs& dialogs)
{
    return dialogs.texts().join(u'\n');
}

} // namespace

class TestBrokenFiles : public QObject
{
    Q_OBJECT

private slots:
    // --- table files ----------------------------------------------------------

    void brokenTableFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("kind");
        const QStringList kinds = {"zero-length",
                                   "truncated to its header",
                                   "truncated to half",
                                   "truncated by a page",
                                   "truncated inside a page",
                                   "truncated inside its last page",
                                   "random bytes",
                                   "random bytes after a table file's header",
                                   "damaged pages",
                                   "another table's schema",
                                   "a field missing"};
        for (const TableDefinition* table : Schema::all())
            for (const QString& kind : kinds)
                QTest::addRow("%s, %s", qPrintable(table->fileName), qPrintable(kind))
                    << table->fileName << kind;
    }

    // The program starts, tells the user which file cannot be used, goes on
    // without it and closes, leaving the file as it was.
    void brokenTableFile()
    {
        QFETCH(QString, file);
        QFETCH(QString, kind);
        const TempDataFolder folder;
        const QString path = folder.file(file);
        const QByteArray good = readBytes(path);
        if (kind == u"zero-length") {
            writeBytes(path, QByteArray());
        } else if (kind == u"truncated to its header") {
            writeBytes(path, good.left(100));
        } else if (kind == u"truncated to half") {
            writeBytes(path, good.left(good.size() / 2));
        } else if (kind == u"truncated by a page") {
            writeBytes(path, good.left(good.size() - 4096));
        } else if (kind == u"truncated inside a page") {
            writeBytes(path, good.left(good.size() / 2 + 1000));
        } else if (kind == u"truncated inside its last page") {
            writeBytes(path, good.left(good.size() - 1000));
        } else if (kind == u"random bytes") {
            writeBytes(path, randomBytes(qHash(file), good.size()));
        } else if (kind == u"random bytes after a table file's header") {
            writeBytes(path, good.left(100) + randomBytes(qHash(file), good.size() - 100));
        } else if (kind == u"damaged pages") {
            writeBytes(path, withDamagedPages(good, qHash(file)));
        } else if (kind == u"another table's schema") {
            const QString other = file == u"Telefon.DB" ? "Familie.db" : "Telefon.DB";
            writeBytes(path, readBytes(folder.file(other)));
        } else if (kind == u"a field missing") {
            dropLastField(path, *Schema::forFile(file));
        }
        const QByteArray broken = readBytes(path);
        QVERIFY(broken != good);
        const QStringList files = QDir(folder.data()).entryList(QDir::Files);

        RecordingDialogs dialogs;
        {
            TDM dm(nullptr, folder.data());
            TPhoneForm form;
            form.SetDataModule(&dm);
            form.ShowMain();
            QVERIFY2(joined(dialogs).contains(file, Qt::CaseInsensitive),
                     qPrintable(joined(dialogs)));
            for (const RecordingDialogs::Message& m : dialogs.messages)
                QCOMPARE(m.kind, MessageKind::Error);
            form.close();
        }

        // The close writes the configuration and makes a backup; the broken
        // file is neither written nor given a journal.
        QCOMPARE(readBytes(path), broken);
        QCOMPARE(QDir(folder.data()).entryList(QDir::Files), files);
    }

    // --- language files -------------------------------------------------------

    void brokenLanguageFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<QString>("caption"); // the main window's, after the change

        const QByteArray english = readBytes(KALVINDO_SOURCE_DIR "/resources/lng/English.lng");
        QTest::newRow("binary") << randomBytes(7, 64 * 1024) << true << "Kalvindo";
        QTest::newRow("binary with a section")
            << "[PhoneForm]\r\n" + randomBytes(8, 4096) << true << "Kalvindo";
        QByteArray huge = english;
        while (huge.size() < 50 * 1024 * 1024)
            huge += huge;
        QTest::newRow("50 MB") << huge << false << "Kalvindo";
        QTest::newRow("no sections") << QByteArray(english).replace('[', ';') << true << "Kalvindo";
        QTest::newRow("zero bytes") << QByteArray() << true << "Kalvindo";
        QTest::newRow("lines ended by CR alone")
            << QByteArray(english).replace("\r\n", "\r") << true << "Kalvindo";
        const QString longCaption = QString(10000, u'x') + QStringLiteral("\xE6\xF8\xE5");
        QTest::newRow("10,000-character values")
            << "[PhoneForm]\r\nCaption=\"" + QByteArray(10000, 'x') + "\xE6\xF8\xE5\"\r\n" +
                   "SpeedButton1.Hint=\"" + QByteArray(10000, 'y') + "\"\r\n" +
                   "DBGrid1.Columns=\"" + QByteArray(10000, ',') + "\"\r\n"
            << true << longCaption;
        QTest::newRow("unclosed quotes and stray codes")
            << QByteArray("[PhoneForm]\r\nCaption=\"Kal\"#13#10#999#x\"vindo\r\n"
                          "SpeedButton1.Hint=\"#\r\n")
            << true << "Kal\r\n";
    }

    // The file is read as far as it goes (its texts shown, what it lacks left
    // in Danish), or, when it cannot be read at all, the user is told and the
    // language stays as it was. The file is not written.
    void brokenLanguageFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, readable);
        QFETCH(QString, caption);
        MainWindowFixture main;
        const QString path = main.folder().root() + QStringLiteral("/English.lng");
        writeBytes(path, content);

        main.form().findChild<QAction*>(QStringLiteral("English"))->trigger();
        QCOMPARE(main.form().QLanguageSource1()->ActiveLanguage(), readable ? 0 : -1);
        if (readable) {
            QVERIFY2(main.dialogs().messages.isEmpty(), qPrintable(joined(main.dialogs())));
            QVERIFY(main.form().windowTitle().startsWith(caption));
        } else {
            QVERIFY2(joined(main.dialogs()).contains(QLatin1String("English.lng")),
                     qPrintable(joined(main.dialogs())));
        }
        // Back to Danish and to the file again: nothing was kept that breaks.
        main.form().findChild<QAction*>(QStringLiteral("Dansk"))->trigger();
        QCOMPARE(main.form().QLanguageSource1()->ActiveLanguage(), -1);
        main.form().findChild<QAction*>(QStringLiteral("English"))->trigger();
        QCOMPARE(readBytes(path), content);
    }

    // --- pictures -------------------------------------------------------------

    void brokenPicture_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("why"); // a part of the message

        for (const char* name : {"valid.jpg", "progressive.jpg", "cmyk.jpg", "gray.jpg"}) {
            const QByteArray good = readBytes(testPicture(name));
            for (qsizetype length :
                 {qsizetype(2), qsizetype(20), qsizetype(200), good.size() / 2, good.size() - 2})
                QTest::addRow("%s truncated to %lld bytes", name, qlonglong(length))
                    << good.left(length) << "";
            for (quint32 seed = 1; seed <= 5; ++seed)
                QTest::addRow("%s damaged, %u", name, seed) << damaged(good, seed, 8) << MayDecode;
            QTest::addRow("%s claims 60000 x 60000", name)
                << withClaimedSize(good, 60000, 60000) << "too large";
            QTest::addRow("%s header alone claims 60000 x 60000", name)
                << headerOnly(withClaimedSize(good, 60000, 60000)) << "too large";
            QTest::addRow("%s claims 0 x 0", name) << withClaimedSize(good, 0, 0) << "";
        }
        QTest::newRow("0 bytes") << QByteArray() << "empty";
        QTest::newRow("random bytes") << randomBytes(3, 5000) << "";
        QTest::newRow("a JPEG marker and random bytes")
            << "\xFF\xD8\xFF" + randomBytes(4, 5000) << "";
    }

    // The loader refuses with a message that names the file (a picture too
    // large from its header alone, before anything is decoded) and the
    // contact shows the placeholder; only damaged data may decode, to other
    // pixels. The file stays as it was.
    void brokenPicture()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, why);
        const TempDataFolder folder;
        const QString pictures = folder.root() + QStringLiteral("/Billeder");
        const QString placeholder = pictures + QStringLiteral("/Ingen.jpg");
        writeBytes(placeholder, readBytes(testPicture("valid.jpg")));
        const QString path = pictures + QStringLiteral("/5.jpg");
        writeBytes(path, content);

        bool refused = false;
        try {
            JpegLoader::load(path);
            // Damaged data may still decode, to other pixels.
            QVERIFY2(why == MayDecode, "the broken picture was loaded");
        } catch (const Exception& e) {
            refused = true;
            QVERIFY2(e.message().contains(QLatin1String("5.jpg")), qPrintable(e.message()));
            if (why != MayDecode)
                QVERIFY2(e.message().contains(why), qPrintable(e.message()));
        }

        TDM dm(nullptr, folder.data());
        dm.RegTable->Open();
        dm.TelefonTable->Open();
        addContact(*dm.TelefonTable, QStringLiteral("Anna"), QStringLiteral("1"),
                   {QStringLiteral("Regnr"), QStringLiteral("5")});
        QLabel box;
        ContactPicture picture(&box, dm.TelefonTable, pictures, placeholder);
        picture.Billede();
        QCOMPARE(picture.ShownPath(), refused ? placeholder : path);
        QCOMPARE(readBytes(path), content);
    }

    // --- window shapes -----------------------------------------------------------

    void shapeBeyondAnyWindow_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<bool>("kept"); // the rectangle is one a window can have
        constexpr qint32 most = std::numeric_limits<qint32>::max();
        constexpr qint32 least = std::numeric_limits<qint32>::min();
        QTest::newRow("ordinary") << shapeOf(0, 0, 100, 50) << true;
        QTest::newRow("wider than an int") << shapeOf(-10, 0, most, 50) << false;
        QTest::newRow("taller than an int") << shapeOf(0, least, 10, 50) << false;
        QTest::newRow("right edge at the least int") << shapeOf(least, 0, least, 50) << false;
        QTest::newRow("reversed across the whole range")
            << shapeOf(most, most, least, least) << false;
        QTest::newRow("the largest that fits") << shapeOf(0, 0, most, most) << true;
    }
    // Read from a stream, a rectangle no window can have is left out and
    // the bounds stay well defined, instead of overflowing.
    void shapeBeyondAnyWindow()
    {
        QFETCH(QByteArray, stream);
        QFETCH(bool, kept);
        const QByteArray region = FormShape::read(stream);
        const QList<QRect> rectangles = FormShape::rectangles(region);
        QCOMPARE(rectangles.size(), kept ? 1 : 0);
        if (kept)
            QCOMPARE(FormShape::bounds(region), rectangles.front());
        else
            QVERIFY(FormShape::bounds(region).isNull());
    }
};

QTEST_MAIN(TestBrokenFiles)
#include "test_brokenfiles.moc"
