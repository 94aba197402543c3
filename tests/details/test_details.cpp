#include "RecordingDialogs.h"
#include "TestSupport.h"
#include "core/data/DM.h"
#include "core/util/JpegLoader.h"
#include "core/util/ProgramFolder.h"
#include "gui/controls/URLLabel.h"
#include "gui/pages/details/ContactPicture.h"
#include "gui/pages/details/DetailsPage.h"
#include "gui/windows/PhoneForm.h"
#include "ui_DetailsPage.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QTabWidget>
#include <QTest>

class TestDetails : public QObject
{
    Q_OBJECT
    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<RecordingDialogs> m_dialogs;
    std::unique_ptr<TPhoneForm> m_form;
    std::unique_ptr<TDM> m_dm;

    Ui::DetailsPage& ui() { return m_form->DetailsPage()->Form(); }
    TTable& contacts() { return *m_dm->TelefonTable; }
    QString value(const char* name)
    {
        return contacts().FieldByName(QLatin1String(name)).AsString();
    }

    void addContact(const QString& name, const QString& phone, qint64 regnr = 0)
    {
        ::addContact(contacts(), name, phone,
                     regnr ? QStringList{QStringLiteral("Regnr"), QString::number(regnr)}
                           : QStringList());
    }

    void showDetails()
    {
        m_form->PageControl1()->setCurrentWidget(
            m_form->findChild<QWidget*>(QStringLiteral("TabSheet1")));
        QApplication::processEvents();
    }

    // Types into an edit as a user would and leaves it with Tab.
    void typeAndLeave(QWidget* edit, const QString& text)
    {
        edit->setFocus();
        QTest::keyClicks(edit, text);
        ui().Edit8->setFocus();
        QApplication::processEvents();
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
        QApplication::setActiveWindow(m_form.get());
    }
    void cleanup()
    {
        m_form.reset();
        m_dm.reset();
        m_dialogs.reset();
        ProgramFolder::setPath(QString());
        m_folder.reset();
    }

    void postalCodeFillsTheTownOnlyWhileEditing_data()
    {
        QTest::addColumn<bool>("editing");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("town");
        QTest::newRow("four characters") << true << "8000"
                                         << "Aarhus C";
        QTest::newRow("five characters are not looked up") << true << "80000"
                                                           << "Gammel by";
        QTest::newRow("unknown code") << true << "0001"
                                      << "Gammel by";
        QTest::newRow("browsing changes nothing") << false << "8000"
                                                  << "Gammel by";
    }
    void postalCodeFillsTheTownOnlyWhileEditing()
    {
        QFETCH(bool, editing);
        QFETCH(QString, code);
        QFETCH(QString, town);
        contacts().Insert();
        contacts().FieldByName(QStringLiteral("Navn")).SetAsString(QStringLiteral("Anna"));
        contacts().FieldByName(QStringLiteral("Postnr")).SetAsString(code);
        contacts().FieldByName(QStringLiteral("Bynavn")).SetAsString(QStringLiteral("Gammel by"));
        contacts().Post();
        showDetails();
        if (editing)
            contacts().Edit();
        ui().DBEdit3->setFocus();
        ui().Edit8->setFocus();
        QApplication::processEvents();
        QCOMPARE(value("Bynavn"), town);
        QCOMPARE(ui().DBEdit10->text(), town);
    }

    void townButtonFindsThePostalCode_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("town");
        QTest::addColumn<QString>("result");
        QTest::addColumn<bool>("editing");
        QTest::newRow("known town") << ""
                                    << "Aarhus C"
                                    << "8000" << true;
        QTest::newRow("town in other case") << ""
                                            << "aarhus c"
                                            << "8000" << true;
        QTest::newRow("unknown town still starts the edit") << "12"
                                                            << "Atlantis"
                                                            << "12" << true;
        QTest::newRow("code of five characters: nothing at all") << "12345"
                                                                 << "Aarhus C"
                                                                 << "12345" << false;
    }
    void townButtonFindsThePostalCode()
    {
        QFETCH(QString, code);
        QFETCH(QString, town);
        QFETCH(QString, result);
        QFETCH(bool, editing);
        contacts().Insert();
        contacts().FieldByName(QStringLiteral("Navn")).SetAsString(QStringLiteral("Anna"));
        contacts().FieldByName(QStringLiteral("Postnr")).SetAsString(code);
        contacts().FieldByName(QStringLiteral("Bynavn")).SetAsString(town);
        contacts().Post();
        showDetails();
        QTest::mouseClick(ui().SpeedButton9, Qt::LeftButton);
        QCOMPARE(value("Postnr"), result);
        QCOMPARE(contacts().IsEditing(), editing);
        QCOMPARE(m_dm->PostTable->IndexName(), QString());
        QVERIFY(m_dialogs->messages.isEmpty());
    }

    void leavingNameAndAddressTidiesTheFirstLetter_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("tidied");
        QTest::newRow("plain") << "vestergade 12"
                               << "Vestergade 12";
        QTest::newRow("only the first letter") << "nørre allé"
                                               << "Nørre allé";
        QTest::newRow("capitals stay") << "VESTERGADE"
                                       << "VESTERGADE";
        QTest::newRow("ø") << "østergade"
                           << "Østergade";
        QTest::newRow("å") << "århus"
                           << "Århus";
        QTest::newRow("ä") << "ängelholm"
                           << "Ängelholm";
        QTest::newRow("ü") << "überlingen"
                           << "Überlingen";
        QTest::newRow("leading space") << " vej"
                                       << " vej";
        QTest::newRow("digit") << "12 vej"
                               << "12 vej";
    }
    void leavingNameAndAddressTidiesTheFirstLetter()
    {
        QFETCH(QString, typed);
        QFETCH(QString, tidied);
        addContact(QStringLiteral("Anna"), QStringLiteral("1"));
        showDetails();
        for (TDBEdit* edit : {ui().DBEdit8, ui().DBEdit9, ui().DBEdit11}) {
            edit->setFocus();
            edit->selectAll();
            typeText(edit, typed);
            ui().Edit8->setFocus();
            QApplication::processEvents();
            QCOMPARE(edit->text(), tidied);
        }
        contacts().Post();
        QCOMPARE(value("Adresse1"), tidied);
        QCOMPARE(value("Land"), tidied);
    }

    void birthdayIsMirroredButNotItsBlankMask()
    {
        addContact(QStringLiteral("Anna"), QStringLiteral("1"));
        showDetails();
        contacts().Edit();
        contacts()
            .FieldByName(QStringLiteral("Fodselsdag"))
            .SetAsString(QStringLiteral("09-01-1970"));
        QCOMPARE(ui().DBDateEdit1->text(), QStringLiteral("09-01-1970"));
        QCOMPARE(ui().DBEdit17->text(), QStringLiteral("09-01-1970"));
        // Clearing the date in the page: the hidden mirror keeps its text, and
        // the day and month still follow the birthday that is posted.
        QLineEdit* date = ui().DBDateEdit1->lineEdit();
        date->setFocus();
        date->selectAll();
        QTest::keyClick(date, Qt::Key_Delete);
        QCOMPARE(ui().DBDateEdit1->text(), TDetailsPage::BlankDate);
        QCOMPARE(ui().DBEdit17->text(), QStringLiteral("09-01-1970"));
        contacts().Post();
        QVERIFY(contacts().FieldByName(QStringLiteral("Fodselsdag")).IsNull());
        QVERIFY(contacts().FieldByName(QStringLiteral("Dg")).IsNull());
        QVERIFY(contacts().FieldByName(QStringLiteral("Md")).IsNull());
    }

    void nameSearchWithEnterAndFindNext()
    {
        for (const char* n : {"Anders", "Bo", "Hanne", "Jan"})
            addContact(QString::fromUtf8(n), QStringLiteral("1"));
        contacts().First();
        showDetails();
        QTest::keyClicks(ui().Edit8, QStringLiteral("an"));
        QCOMPARE(value("Navn"), QStringLiteral("Anders")); // no search before Enter
        contacts().MoveToIndex(1);
        QTest::keyClick(ui().Edit8, Qt::Key_Return);
        QCOMPARE(value("Navn"), QStringLiteral("Anders"));
        QTest::mouseClick(ui().SpeedButton8, Qt::LeftButton);
        QCOMPARE(value("Navn"), QStringLiteral("Hanne"));
        QTest::mouseClick(ui().SpeedButton8, Qt::LeftButton);
        QCOMPARE(value("Navn"), QStringLiteral("Jan"));
        QTest::mouseClick(ui().SpeedButton8, Qt::LeftButton);
        QCOMPARE(value("Navn"), QStringLiteral("Jan"));
        QVERIFY(m_dialogs->messages.isEmpty());
    }

    void nameSearchWithoutMatchKeepsTheContactAndRefreshesThePicture_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("no match") << "xyz";
        QTest::newRow("empty") << "";
    }
    void nameSearchWithoutMatchKeepsTheContactAndRefreshesThePicture()
    {
        QFETCH(QString, text);
        addContact(QStringLiteral("Anna"), QStringLiteral("1"), 7);
        addContact(QStringLiteral("Bo"), QStringLiteral("2"), 8);
        QFile::copy(testPicture("gray.jpg"), m_folder->root() + QStringLiteral("/Billeder/8.jpg"));
        showDetails();
        ui().Image2->clear();
        QTest::keyClicks(ui().Edit8, text);
        QTest::keyClick(ui().Edit8, Qt::Key_Enter, Qt::ShiftModifier);
        QCOMPARE(value("Navn"), QStringLiteral("Bo"));
        QCOMPARE(m_form->DetailsPage()->Picture().ShownPath(),
                 m_folder->root() + QStringLiteral("/Billeder/8.jpg"));
        QVERIFY(m_dialogs->messages.isEmpty());
    }

    void findNextBeforeAnySearchIsRefused()
    {
        addContact(QStringLiteral("Anna"), QStringLiteral("1"));
        showDetails();
        QTest::mouseClick(ui().SpeedButton8, Qt::LeftButton);
        QCOMPARE(m_dialogs->texts(),
                 QStringList{QStringLiteral("No initial Find/Locate done first.")});
        QCOMPARE(m_dialogs->messages[0].kind, MessageKind::Error);
    }

    void switchingToThePageRefreshesThePictureAndFocusesTheSearch()
    {
        addContact(QStringLiteral("Anna"), QStringLiteral("1"), 3);
        QFile::copy(testPicture("gray.jpg"), m_folder->root() + QStringLiteral("/Billeder/3.jpg"));
        m_form->PageControl1()->setCurrentIndex(4);
        ui().Image2->clear();
        showDetails();
        QCOMPARE(m_form->DetailsPage()->Picture().ShownPath(),
                 m_folder->root() + QStringLiteral("/Billeder/3.jpg"));
        QVERIFY(ui().Edit8->hasFocus());
    }

    void navigatorDeleteAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("left");
        QTest::newRow("OK deletes") << int(Ok) << 1;
        QTest::newRow("Cancel keeps") << int(Cancel) << 2;
    }
    void navigatorDeleteAsksFirst()
    {
        QFETCH(int, answer);
        QFETCH(int, left);
        addContact(QStringLiteral("Anna"), QStringLiteral("1"));
        addContact(QStringLiteral("Bo"), QStringLiteral("2"));
        showDetails();
        m_dialogs->answers << MessageButton(answer);
        QTest::mouseClick(ui().PhoneNav->button(TDBNavigator::Delete), Qt::LeftButton);
        QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("Slet denne post?")});
        QCOMPARE(contacts().RecordCount(), left);
    }

    void insertFromTheNavigatorBringsThePageForwardWithDefaults()
    {
        addContact(QStringLiteral("Anna"), QStringLiteral("1"));
        m_form->PageControl1()->setCurrentIndex(4);
        m_form->ShowDetailsPage();
        QTest::mouseClick(ui().PhoneNav->button(TDBNavigator::Insert), Qt::LeftButton);
        QCOMPARE(contacts().State(), DataSetState::Insert);
        QCOMPARE(m_form->PageControl1()->currentWidget()->objectName(),
                 QStringLiteral("TabSheet1"));
        QVERIFY(ui().DBEdit2->hasFocus());
        QCOMPARE(ui().DBEdit11->text(), QStringLiteral("Danmark"));
        QCOMPARE(ui().DBCheckBox1->checkState(), Qt::Unchecked);
        QVERIFY(m_form->DetailsPage()->Picture().ShownPath().endsWith(QLatin1String("Ingen.jpg")));
        typeAndLeave(ui().DBEdit2, QStringLiteral("bo"));
        QTest::mouseClick(ui().PhoneNav->button(TDBNavigator::Post), Qt::LeftButton);
        QCOMPARE(value("Navn"), QStringLiteral("Bo"));
        QCOMPARE(ui().Label47->text(), QStringLiteral("Viste registreringer: 2"));
    }

    // Tilføj and then nothing typed: closing the window or moving to another
    // contact stores nothing. The record number drawn for it is not given
    // again; a new contact that was typed into is saved on close.
    void untouchedNewContactIsNotStored_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("close");
        QTest::newRow("close") << "" << true;
        QTest::newRow("move") << "" << false;
        QTest::newRow("typed, close") << "bo" << true;
    }

    void untouchedNewContactIsNotStored()
    {
        QFETCH(QString, typed);
        QFETCH(bool, close);
        addContact(QStringLiteral("Anna"), QStringLiteral("1"), 1);
        const QString file = m_folder->file(QStringLiteral("Telefon.DB"));
        const auto contents = [&] {
            QFile f(file);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        const QByteArray before = contents();
        showDetails();
        QTest::mouseClick(ui().PhoneNav->button(TDBNavigator::Insert), Qt::LeftButton);
        QCOMPARE(contacts().State(), DataSetState::Insert);
        const qint64 drawn = contacts().FieldByName(QStringLiteral("Regnr")).AsInteger();
        if (!typed.isEmpty())
            typeAndLeave(ui().DBEdit2, typed);
        if (close) {
            QVERIFY(m_form->close());
        } else {
            // The details page's search moves to the contact found.
            ui().Edit8->setFocus();
            QTest::keyClicks(ui().Edit8, QStringLiteral("Anna"));
            QTest::keyClick(ui().Edit8, Qt::Key_Return);
            QCOMPARE(contacts().State(), DataSetState::Browse);
            QCOMPARE(value("Navn"), QStringLiteral("Anna"));
        }
        QVERIFY(m_dialogs->messages.isEmpty());
        TDM after(nullptr, m_folder->data());
        after.TelefonTable->Open();
        if (typed.isEmpty()) {
            QCOMPARE(contents(), before);
            QCOMPARE(after.TelefonTable->RecordCount(), 1);
        } else {
            QCOMPARE(after.TelefonTable->RecordCount(), 2);
            QVERIFY(after.TelefonTable->Locate(QStringLiteral("Navn"), QStringLiteral("Bo")));
            QCOMPARE(after.TelefonTable->FieldByName(QStringLiteral("Regnr")).AsInteger(), drawn);
        }
        after.RegTable->Open();
        QVERIFY(after.DrawRecordNumber() > drawn);
    }

    void duplicateKeepsEverythingTyped()
    {
        addContact(QStringLiteral("Anna"), QStringLiteral("111"));
        showDetails();
        QTest::mouseClick(ui().PhoneNav->button(TDBNavigator::Insert), Qt::LeftButton);
        QTest::keyClicks(ui().DBEdit2, QStringLiteral("Anna"));
        typeAndLeave(ui().DBEdit16, QStringLiteral("111"));
        typeAndLeave(ui().DBEdit8, QStringLiteral("Vestergade 1"));
        QTest::mouseClick(ui().PhoneNav->button(TDBNavigator::Post), Qt::LeftButton);
        QCOMPARE(m_dialogs->texts(), QStringList{TDM::DuplicateMessage});
        QCOMPARE(contacts().State(), DataSetState::Insert);
        QCOMPARE(ui().DBEdit8->text(), QStringLiteral("Vestergade 1"));
        QCOMPARE(ui().DBEdit2->text(), QStringLiteral("Anna"));
    }

    void showAllLiftsTheFilter()
    {
        addContact(QStringLiteral("Anna"), QStringLiteral("1"));
        addContact(QStringLiteral("Bo"), QStringLiteral("2"));
        contacts().SetFilter(QStringLiteral("Navn = 'Bo'"));
        contacts().SetFiltered(true);
        QCOMPARE(ui().Label47->text(), QStringLiteral("Viste registreringer: 1"));
        QTest::mouseClick(ui().Button4, Qt::LeftButton);
        QVERIFY(!contacts().Filtered());
        QCOMPARE(ui().Label47->text(), QStringLiteral("Viste registreringer: 2"));
    }

    void mailAndHomePageEditsFeedTheirLinks()
    {
        addContact(QStringLiteral("Anna"), QStringLiteral("1"));
        showDetails();
        typeAndLeave(ui().EmailEdit, QStringLiteral("anna@example.dk"));
        QCOMPARE(ui().URLLabel1->text(), QStringLiteral("anna@example.dk"));
        typeAndLeave(ui().URLEdit, QStringLiteral("HTTP://example.dk"));
        QCOMPARE(ui().URLLabel2->text(), QStringLiteral("HTTP://example.dk"));
        QTest::mouseClick(ui().URLLabel1, Qt::LeftButton);
        QTest::mouseClick(ui().URLLabel2, Qt::LeftButton);
        QCOMPARE(m_dialogs->openedUrls, (QStringList{QStringLiteral("mailto:anna@example.dk"),
                                                     QStringLiteral("http://example.dk")}));
    }

    void copyAddressFromButtonAndMenu()
    {
        contacts().Insert();
        contacts().FieldByName(QStringLiteral("Navn")).SetAsString(QStringLiteral("Anna Berg"));
        contacts()
            .FieldByName(QStringLiteral("Adresse1"))
            .SetAsString(QStringLiteral("Vestergade 12"));
        contacts().FieldByName(QStringLiteral("Postnr")).SetAsString(QStringLiteral("8000"));
        contacts().FieldByName(QStringLiteral("Bynavn")).SetAsString(QStringLiteral("Aarhus C"));
        contacts().Post();
        const QString expected =
            QStringLiteral("Anna Berg\r\nVestergade 12\r\n8000 Aarhus C\r\nDanmark");
        QApplication::clipboard()->clear();
        QTest::mouseClick(ui().SpeedButton7, Qt::LeftButton);
        QCOMPARE(QApplication::clipboard()->text(), expected);
        QApplication::clipboard()->clear();
        m_form->findChild<QAction*>(QStringLiteral("CopyAddress1"))->trigger();
        QCOMPARE(QApplication::clipboard()->text(), expected);
    }

    void fetchPictureThroughTheButton()
    {
        addContact(QStringLiteral("Anna"), QStringLiteral("1"), 12);
        showDetails();
        m_dialogs->fileNames << testPicture("gray.jpg");
        QTest::mouseClick(ui().SpeedButton1, Qt::LeftButton);
        QCOMPARE(m_dialogs->filters, QStringList{QStringLiteral("Billeder (*.jpg)")});
        QVERIFY(QFile::exists(m_folder->root() + QStringLiteral("/Billeder/12.jpg")));
        m_dialogs->fileNames << testPicture("not-a-picture.jpg");
        QTest::mouseClick(ui().SpeedButton1, Qt::LeftButton);
        QCOMPARE(m_dialogs->messages.size(), 1);
        QVERIFY(m_dialogs->messages[0].text.contains(QLatin1String("not-a-picture.jpg")));
        QCOMPARE(JpegLoader::load(m_folder->root() + QStringLiteral("/Billeder/12.jpg")).size(),
                 QSize(64, 48));
    }
};

QTEST_MAIN(TestDetails)
#include "test_details.moc"
