#include "RecordingDialogs.h"
#include "TestSupport.h"
#include "VCardTestFiles.h"
#include "core/data/DM.h"
#include "core/store/Table.h"
#include "core/util/ProgramFolder.h"
#include "gui/vcard/ExchangeCommands.h"
#include "gui/vcard/ImportPreviewForm.h"
#include "gui/windows/PhoneForm.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QTest>

// The menu commands through the real main window, with the dialogs answered
// by the recorder and the preview answered by the test.
class TestExchangeWindows : public QObject
{
    Q_OBJECT
    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<RecordingDialogs> m_dialogs;
    std::unique_ptr<TPhoneForm> m_form;
    std::unique_ptr<TDM> m_dm;
    QList<int> m_previewCounts; // new, duplicate, unreadable of each preview shown
    std::optional<DuplicateChoice> m_answer = DuplicateChoice::Skip;

    TTable& contacts() { return *m_dm->TelefonTable; }
    QString out(const char* name) const
    {
        return m_folder->root() + u'/' + QString::fromUtf8(name);
    }
    void trigger(const char* action)
    {
        m_form->findChild<QAction*>(QLatin1String(action))->trigger();
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<TempDataFolder>();
        const QString pictures = m_folder->root() + QStringLiteral("/Billeder");
        QDir().mkpath(pictures);
        QFile::copy(testPicture("valid.jpg"), pictures + QStringLiteral("/Ingen.jpg"));
        ProgramFolder::setPath(m_folder->root());
        m_dialogs = std::make_unique<RecordingDialogs>();
        m_form = std::make_unique<TPhoneForm>();
        m_dm = std::make_unique<TDM>(nullptr, m_folder->data());
        m_form->SetDataModule(m_dm.get());
        m_form->ShowMain();
        m_previewCounts.clear();
        m_answer = DuplicateChoice::Skip;
        m_form->Exchange().Choose = [this](const ImportPreview& p) {
            m_previewCounts << p.count(ImportItem::Kind::New)
                            << p.count(ImportItem::Kind::Duplicate)
                            << p.count(ImportItem::Kind::Unreadable);
            return m_answer;
        };
    }
    void cleanup()
    {
        m_form.reset();
        m_dm.reset();
        m_dialogs.reset();
        ProgramFolder::setPath(QString());
        m_folder.reset();
    }

    void menuOffersTheThreeCommands()
    {
        QCOMPARE(m_form->findChild<QAction*>("ImporterVCard1")->text(),
                 QStringLiteral("Importer vCard..."));
        QCOMPARE(m_form->findChild<QAction*>("EksporterVCard1")->text(),
                 QStringLiteral("Eksporter vCard..."));
        QCOMPARE(m_form->findChild<QAction*>("Fodselsdagskalender1")->text(),
                 QStringLiteral("Eksporter fødselsdagskalender..."));
    }

    void importShowsThePreviewThenPostsAndTells()
    {
        addContact(contacts(), QStringLiteral("Anna"), QStringLiteral("1"),
                   {QStringLiteral("Nogleord"), QStringLiteral("Golf")});
        contacts().SetFilter(QStringLiteral("Nogleord = 'Golf'"));
        contacts().SetFiltered(true);
        m_dialogs->fileNames << corpusFile("v21-quoted-printable-windows1252.vcf");
        trigger("ImporterVCard1");
        QCOMPARE(m_dialogs->filters, QStringList{"vCard (*.vcf *.vcard)"});
        QCOMPARE(m_previewCounts, (QList<int>{2, 0, 0}));
        QCOMPARE(m_dialogs->texts(), QStringList{"Importeret: 2 nye, 0 flettet, 0 sprunget over."});
        QVERIFY(!contacts().Filtered()); // the new contacts are shown
        QCOMPARE(contacts().RecordCount(), 3);

        // The same file again: both are duplicates now.
        m_dialogs->fileNames << corpusFile("v21-quoted-printable-windows1252.vcf");
        trigger("ImporterVCard1");
        QCOMPARE(m_previewCounts.mid(3), (QList<int>{0, 2, 0}));
        QCOMPARE(contacts().RecordCount(), 3);
    }

    void cancelledPreviewPostsNothing()
    {
        m_answer = std::nullopt;
        m_dialogs->fileNames << corpusFile("v40-related.vcf");
        trigger("ImporterVCard1");
        QCOMPARE(m_previewCounts.size(), 3);
        QVERIFY(m_dialogs->messages.isEmpty());
        QCOMPARE(contacts().RecordCount(), 0);
    }

    void brokenFileIsTold()
    {
        QFile cut(out("cut.vcf"));
        cut.open(QIODevice::WriteOnly);
        cut.write("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Anna\r\n");
        cut.close();
        m_dialogs->fileNames << cut.fileName();
        trigger("ImporterVCard1");
        QVERIFY(m_previewCounts.isEmpty());
        QCOMPARE(m_dialogs->messages.size(), 1);
        QCOMPARE(m_dialogs->messages[0].kind, MessageKind::Error);
        QCOMPARE(m_dialogs->messages[0].text,
                 QStringLiteral("cut.vcf kan ikke læses:\nFilen slutter i linje 3, før kontakten "
                                "fra linje 1 er afsluttet med END:VCARD."));
        QCOMPARE(contacts().RecordCount(), 0);
    }

    void exportWritesTheChosenVersion_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QByteArray>("version");
        QTest::newRow("4.0 by default") << "kontakter" << QByteArray("VERSION:4.0");
        QTest::newRow("3.0 on request")
            << "kontakter.vcf|vCard 3.0 (*.vcf)" << QByteArray("VERSION:3.0");
    }
    void exportWritesTheChosenVersion()
    {
        QFETCH(QString, answer);
        QFETCH(QByteArray, version);
        addContact(contacts(), QStringLiteral("Anna"), QStringLiteral("1"));
        addContact(contacts(), QStringLiteral("Bo"), QStringLiteral("2"));
        m_dialogs->saveNames << m_folder->root() + u'/' + answer;
        trigger("EksporterVCard1");
        QCOMPARE(m_dialogs->saveFilters, QStringList{"vCard 4.0 (*.vcf);;vCard 3.0 (*.vcf)"});
        const QByteArray written = fileBytes(out("kontakter.vcf"));
        QCOMPARE(written.count("BEGIN:VCARD"), 2);
        QVERIFY(written.contains(version + "\r\n"));
        QCOMPARE(m_dialogs->texts(), QStringList{"2 kontakter er gemt i kontakter.vcf."});
    }

    void calendarExportTellsTheCount()
    {
        addContact(contacts(), QStringLiteral("Anna"), QStringLiteral("1"),
                   {QStringLiteral("Fodselsdag"), QStringLiteral("09-01-1970")});
        m_dialogs->saveNames << out("fødselsdage");
        trigger("Fodselsdagskalender1");
        QCOMPARE(fileBytes(out("fødselsdage.ics")).count("BEGIN:VEVENT"), 1);
        QCOMPARE(m_dialogs->texts(), QStringList{"1 fødselsdage er gemt i fødselsdage.ics."});
    }

    void cancelledDialogsDoNothing()
    {
        addContact(contacts(), QStringLiteral("Anna"), QStringLiteral("1"));
        for (const char* action : {"ImporterVCard1", "EksporterVCard1", "Fodselsdagskalender1"})
            trigger(action);
        QVERIFY(m_dialogs->messages.isEmpty());
        QVERIFY(m_previewCounts.isEmpty());
    }

    void previewWindowListsAndChooses()
    {
        ImportPreview preview;
        ImportItem fresh;
        fresh.line = 1;
        fresh.contact[ContactField::Navn] = QStringLiteral("Anna");
        fresh.notes << QStringLiteral("Billedet er udeladt");
        ImportItem twice = fresh;
        twice.line = 9;
        twice.kind = ImportItem::Kind::Duplicate;
        ImportItem broken;
        broken.line = 20;
        broken.kind = ImportItem::Kind::Unreadable;
        broken.reason = QStringLiteral("Linje 22: ugyldig base64-kodning.");
        preview.items = {fresh, twice, broken};

        TImportPreviewForm form(preview);
        QCOMPARE(form.Summary()->text(),
                 QStringLiteral("1 nye kontakter, 1 findes i forvejen, 1 kan ikke læses."));
        QCOMPARE(form.Items()->topLevelItemCount(), 3);
        QCOMPARE(form.Items()->topLevelItem(2)->text(4), broken.reason);
        QCOMPARE(form.Items()->topLevelItem(0)->text(4), QStringLiteral("Billedet er udeladt"));
        QVERIFY(form.SkipButton()->isChecked());
        QVERIFY(form.MergeButton()->isEnabled());
        QVERIFY(!form.Choice()); // not accepted yet
        form.MergeButton()->setChecked(true);
        form.Buttons()->buttons().first()->click();
        QCOMPARE(form.Choice(), std::optional<DuplicateChoice>(DuplicateChoice::Merge));

        // Nothing to add: the import button cannot be pressed.
        preview.items = {broken};
        TImportPreviewForm nothing(preview);
        QVERIFY(!nothing.Buttons()->buttons().first()->isEnabled());
        QVERIFY(!nothing.MergeButton()->isEnabled());
    }
};

QTEST_MAIN(TestExchangeWindows)
#include "test_exchangewindows.moc"
