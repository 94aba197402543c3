#include "RecordingDialogs.h"
#include "StoreTestHelpers.h"
#include "TestSupport.h"
#include "core/data/DM.h"
#include "core/store/Table.h"
#include "core/util/ProgramFolder.h"
#include "gui/backup/BackupCommands.h"
#include "gui/windows/PhoneForm.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTest>

// The backup commands through the real main window, with the dialogs
// answered by the recorder and the list answered by the test.
class TestBackupWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<RecordingDialogs> m_dialogs;
    std::unique_ptr<TPhoneForm> m_form;
    std::unique_ptr<TDM> m_dm;
    QDateTime m_now = QDateTime(QDate(2026, 12, 9), QTime(10, 0));
    std::optional<size_t> m_chosen = 0;
    int m_listsShown = 0;

    TTable& contacts() { return *m_dm->TelefonTable; }
    void trigger(const char* action)
    {
        m_form->findChild<QAction*>(QLatin1String(action))->trigger();
    }
    QStringList backupFolders() const
    {
        return QDir(m_folder->data() + QStringLiteral("/Backup"))
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    }
    QStringList storedNames()
    {
        RawConnection file(m_folder->file(QStringLiteral("Telefon.DB")));
        return file.query(QStringLiteral("SELECT Navn FROM Telefon ORDER BY Navn"));
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
        m_chosen = 0;
        m_listsShown = 0;
        m_form->Backup().Now = [this] { return m_now; };
        m_form->Backup().Choose = [this](const std::vector<BackupInfo>&) {
            ++m_listsShown;
            return m_chosen;
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

    void menuOffersBothCommands()
    {
        const auto* menu = m_form->findChild<QMenu*>(QStringLiteral("Edit1"));
        QStringList names;
        for (const QAction* a : menu->actions())
            names << a->objectName();
        QVERIFY(names.contains(QStringLiteral("SikkerhedskopierNu1")));
        QVERIFY(names.contains(QStringLiteral("GendanSikkerhedskopi1")));
        QCOMPARE(m_form->findChild<QAction*>(QStringLiteral("GendanSikkerhedskopi1"))->text(),
                 QStringLiteral("Gendan sikkerhedskopi..."));
    }

    void backupNowSavesWhatIsTypedAndSaysWhere()
    {
        addContact(contacts(), QStringLiteral("Anna"), QStringLiteral("11"));
        contacts().Edit();
        contacts().FieldByName(QStringLiteral("Adresse1")).SetAsString(QStringLiteral("Vej 1"));
        trigger("SikkerhedskopierNu1");
        QCOMPARE(backupFolders(), QStringList{QStringLiteral("2026-12-09_100000")});
        QCOMPARE(m_dialogs->messages.size(), 1);
        QVERIFY(m_dialogs->messages[0].text.contains(QStringLiteral("2026-12-09_100000")));
        QCOMPARE(contacts().State(), DataSetState::Browse);
        RawConnection backup(m_folder->data() +
                             QStringLiteral("/Backup/2026-12-09_100000/Telefon.DB"));
        QCOMPARE(backup.query(QStringLiteral("SELECT Adresse1 FROM Telefon")),
                 QStringList{QStringLiteral("Vej 1")});
    }

    void restoreBringsBackTheContactsAndTheProgramGoesOn()
    {
        addContact(contacts(), QStringLiteral("Anna"), QStringLiteral("11"));
        trigger("SikkerhedskopierNu1");
        addContact(contacts(), QStringLiteral("Bo"), QStringLiteral("22"));
        m_now = m_now.addSecs(60);
        m_dialogs->answers = {Yes};
        m_dialogs->messages.clear();
        trigger("GendanSikkerhedskopi1");
        QCOMPARE(m_listsShown, 1);
        QCOMPARE(m_dialogs->messages.size(), 2); // the question, then what came of it
        QCOMPARE(m_dialogs->messages[0].kind, MessageKind::Confirmation);
        QCOMPARE(column(contacts(), QStringLiteral("Navn")), QStringList{QStringLiteral("Anna")});
        QCOMPARE(storedNames(), QStringList{QStringLiteral("Anna")});
        // The tables were really opened again: a new contact lands in the file.
        addContact(contacts(), QStringLiteral("Cecilie"), QStringLiteral("33"));
        QCOMPARE(storedNames(), (QStringList{QStringLiteral("Anna"), QStringLiteral("Cecilie")}));
        QCOMPARE(backupFolders().size(), 2);
    }

    void restoreAnsweredNoChangesNothing()
    {
        addContact(contacts(), QStringLiteral("Anna"), QStringLiteral("11"));
        trigger("SikkerhedskopierNu1");
        addContact(contacts(), QStringLiteral("Bo"), QStringLiteral("22"));
        m_dialogs->answers = {No};
        trigger("GendanSikkerhedskopi1");
        QCOMPARE(storedNames().size(), 2);
        QCOMPARE(backupFolders().size(), 1);
    }

    void closingBacksUpOnlyWhatChanged()
    {
        addContact(contacts(), QStringLiteral("Anna"), QStringLiteral("11"));
        m_form->close();
        QCOMPARE(backupFolders().size(), 1);

        // A second run that changes nothing adds no backup.
        m_form = std::make_unique<TPhoneForm>();
        m_form->Backup().Now = [this] { return m_now.addSecs(3600); };
        m_dm = std::make_unique<TDM>(nullptr, m_folder->data());
        m_form->SetDataModule(m_dm.get());
        m_form->ShowMain();
        m_form->close();
        QCOMPARE(backupFolders().size(), 1);
    }
};

QTEST_MAIN(TestBackupWindows)
#include "test_backupwindows.moc"
