// The keyword window as the program has it: opened from the menu of the
// main window, on the main window's data module.
#include "RecordingDialogs.h"
#include "TestSupport.h"
#include "core/data/DM.h"
#include "core/i18n/LanguageSource.h"
#include "core/util/ProgramFolder.h"
#include "gui/controls/DBLookupComboBox.h"
#include "gui/windows/NogleForm.h"
#include "gui/windows/PhoneForm.h"
#include "ui_NogleForm.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QScreen>
#include <QToolButton>
#include <QTest>

class TestKeywordMenu : public QObject
{
    Q_OBJECT
    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<RecordingDialogs> m_dialogs;
    std::unique_ptr<TPhoneForm> m_form;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<TNogleForm> m_keywords;

    TDBGrid* grid() { return m_keywords->Form().DBGrid1; }
    void press(TDBNavigator::Button button)
    {
        QTest::mouseClick(m_keywords->Form().DBNavigator1->button(button), Qt::LeftButton);
    }
    // The open cell's editor (the one of a cell closed before may linger).
    QLineEdit* cellEditor() { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); }
    // Opens the window from the menu; the user's work is done while it is open.
    void openKeywords(const std::function<void()>& work)
    {
        m_dialogs->onModal = [this, work](QObject* window) {
            if (window != m_keywords.get())
                return 0;
            m_keywords->show();
            if (QTest::qWaitForWindowActive(m_keywords.get()))
                work();
            else
                qWarning("the keyword window did not become active");
            m_keywords->close();
            return 0;
        };
        m_form->findChild<QAction*>(QStringLiteral("Nogleord1"))->trigger();
        m_dialogs->onModal = nullptr;
    }
    void typeNewWord(const QString& word)
    {
        press(TDBNavigator::Insert);
        QTest::keyClick(grid(), word[0].toLatin1());
        auto* editor = cellEditor();
        QVERIFY(editor);
        QTest::keyClicks(editor, word.mid(1));
        QTest::keyClick(editor, Qt::Key_Return);
    }
    QString storedKeywordOf(const QString& name)
    {
        TDM other(nullptr, m_folder->data());
        other.TelefonTable->Open();
        if (!other.TelefonTable->Locate(QStringLiteral("Navn"), name))
            return QStringLiteral("(no contact %1)").arg(name);
        return other.TelefonTable->FieldByName(QStringLiteral("Nogleord")).AsString();
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<TempDataFolder>();
        m_dialogs = std::make_unique<RecordingDialogs>();
        // The placeholder picture of a new contact.
        QDir().mkpath(m_folder->root() + QStringLiteral("/Billeder"));
        QFile::copy(testPicture("valid.jpg"),
                    m_folder->root() + QStringLiteral("/Billeder/Ingen.jpg"));
        ProgramFolder::setPath(m_folder->root());
        m_form = std::make_unique<TPhoneForm>();
        m_dm = std::make_unique<TDM>(nullptr, m_folder->data());
        m_keywords = std::make_unique<TNogleForm>(m_dm.get(), m_form->QLanguageSource1());
        m_form->SetDataModule(m_dm.get());
        m_form->SetKeywordWindow(m_keywords.get());
        m_form->ShowMain();
    }
    void cleanup()
    {
        m_form->close();
        m_form.reset();
        m_keywords.reset();
        m_dm.reset();
        m_dialogs.reset();
        ProgramFolder::setPath(QString());
        m_folder.reset();
    }

    // Every list that chooses from the keywords (the details page's, the
    // overview's filter) offers a new word as soon as it is saved.
    void aNewWordIsOfferedAtOnce()
    {
        const QList<TDBLookupComboBox*> lists = [this] {
            QList<TDBLookupComboBox*> found;
            for (auto* list : m_form->findChildren<TDBLookupComboBox*>())
                if (list->ListSource() == m_dm->NogleSource)
                    found << list;
            return found;
        }();
        QVERIFY(!lists.isEmpty());
        openKeywords([this] {
            typeNewWord(QStringLiteral("Golf"));
            for (auto* list : m_form->findChildren<TDBLookupComboBox*>())
                if (list->ListSource() == m_dm->NogleSource)
                    QVERIFY2(list->Keys().contains(QStringLiteral("Golf")),
                             qPrintable(list->objectName()));
        });
        QVERIFY(m_dialogs->messages.isEmpty());
        QCOMPARE(m_dm->NogleTable->RecordCount(), 1);
    }

    void theWindowAsItOpens()
    {
        openKeywords([this] {
            QCOMPARE(m_keywords->windowTitle(), QStringLiteral("Nøgleord"));
            QCOMPARE(m_keywords->frameGeometry().size(), TNogleForm::OuterSize);
            const QPoint offCentre = m_keywords->frameGeometry().center() -
                                     m_keywords->screen()->availableGeometry().center();
            QVERIFY(offCentre.manhattanLength() <= 2);
            QCOMPARE(m_keywords->font().pixelSize(), 11);
        });
    }

    void theNavigatorsDeleteAsksFirst()
    {
        openKeywords([this] {
            typeNewWord(QStringLiteral("Golf"));
            m_dialogs->answers << Cancel << Ok;
            press(TDBNavigator::Delete);
            QCOMPARE(m_dm->NogleTable->RecordCount(), 1);
            press(TDBNavigator::Delete);
            QCOMPARE(m_dm->NogleTable->RecordCount(), 0);
        });
        QCOMPARE(m_dialogs->texts(), (QStringList{"Slet denne post?", "Slet denne post?"}));
        QCOMPARE(m_dialogs->messages[0].buttons, MessageButtons(Ok | Cancel));
    }

    void contactsKeepTheirWordWhenItChangesOrGoes()
    {
        openKeywords([this] {
            typeNewWord(QStringLiteral("Golf"));
            typeNewWord(QStringLiteral("Venner"));
        });
        addContact(*m_dm->TelefonTable, QStringLiteral("Anna"), QStringLiteral("11111111"),
                   {QStringLiteral("Nogleord"), QStringLiteral("Golf")});
        addContact(*m_dm->TelefonTable, QStringLiteral("Bo"), QStringLiteral("22222222"),
                   {QStringLiteral("Nogleord"), QStringLiteral("Venner")});
        openKeywords([this] {
            // "Golf" becomes "Golfklub"; "Venner" goes.
            m_dm->NogleTable->First();
            QTest::keyClick(grid(), Qt::Key_F2);
            auto* editor = cellEditor();
            QVERIFY(editor);
            QTest::keyClick(editor, Qt::Key_End);
            QTest::keyClicks(editor, QStringLiteral("klub"));
            QTest::keyClick(editor, Qt::Key_Return);
            m_dm->NogleTable->Last();
            QCOMPARE(m_dm->NogleTable->FieldByName(QStringLiteral("Nogleord")).AsString(),
                     QStringLiteral("Venner"));
            QTest::keyClick(grid(), Qt::Key_Delete, Qt::ControlModifier);
        });
        QCOMPARE(m_dm->NogleTable->RecordCount(), 1);
        m_dm->NogleTable->First();
        QCOMPARE(m_dm->NogleTable->FieldByName(QStringLiteral("Nogleord")).AsString(),
                 QStringLiteral("Golfklub"));
        QCOMPARE(storedKeywordOf(QStringLiteral("Anna")), QStringLiteral("Golf"));
        QCOMPARE(storedKeywordOf(QStringLiteral("Bo")), QStringLiteral("Venner"));
    }
};

QTEST_MAIN(TestKeywordMenu)
#include "test_keywordmenu.moc"
