#include "RecordingDialogs.h"
#include "TestSupport.h"
#include "core/data/DM.h"
#include "gui/windows/NogleForm.h"
#include "gui/windows/PhoneForm.h"
#include "ui_NogleForm.h"

#include <QApplication>
#include <QToolButton>
#include <QtTest>

class TestKeywordWindow : public QObject
{
    Q_OBJECT
    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<RecordingDialogs> m_dialogs;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<TNogleForm> m_window;

    TTable& words() { return *m_dm->NogleTable; }
    TDBGrid* grid() { return m_window->Form().DBGrid1; }

    void typeWord(const QString& word)
    {
        QTest::mouseClick(m_window->Form().DBNavigator1->button(TDBNavigator::Insert),
                          Qt::LeftButton);
        words().FieldByName(QStringLiteral("Nogleord")).SetAsString(word);
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<TempDataFolder>();
        m_dialogs = std::make_unique<RecordingDialogs>();
        m_dm = std::make_unique<TDM>(nullptr, m_folder->data());
        m_dm->SetHost(nullptr);
        m_dm->NogleTable->Open();
        m_window = std::make_unique<TNogleForm>(m_dm.get(), nullptr);
        m_window->show();
    }
    void cleanup()
    {
        m_window.reset();
        m_dm.reset();
        m_dialogs.reset();
        m_folder.reset();
    }

    void windowLayout()
    {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Nøgleord"));
        QCOMPARE(grid()->Columns()->Count(), 1);
        QCOMPARE(grid()->Columns()->Items(0)->Title(), QStringLiteral("Nøgleord"));
        auto* nav = m_window->Form().DBNavigator1;
        QCOMPARE(nav->height(), 31);
        for (auto b : {TDBNavigator::Insert, TDBNavigator::Delete, TDBNavigator::Post})
            QVERIFY(nav->button(b)->isVisibleTo(nav));
        for (auto b :
             {TDBNavigator::First, TDBNavigator::Next, TDBNavigator::Edit, TDBNavigator::Cancel})
            QVERIFY(!nav->button(b)->isVisibleTo(nav));
    }

    void enterSavesANewWordAndDoesNothingWhileBrowsing()
    {
        typeWord(QStringLiteral("Familie"));
        QTest::keyClick(grid(), Qt::Key_Return);
        QCOMPARE(words().State(), DataSetState::Browse);
        QCOMPARE(words().RecordCount(), 1);
        QTest::keyClick(grid(), Qt::Key_Return);
        QCOMPARE(words().State(), DataSetState::Browse);
        QCOMPARE(words().RecordCount(), 1);
    }

    void wordsAreListedAlphabetically()
    {
        for (const char* w : {"Venner", "Arbejde", "Ærø", "Familie"}) {
            typeWord(QString::fromUtf8(w));
            QTest::keyClick(grid(), Qt::Key_Enter);
        }
        QStringList shown;
        for (int r = 0; r < grid()->model()->rowCount(); ++r)
            shown << grid()->model()->index(r, 0).data().toString();
        QCOMPARE(shown, (QStringList{"Arbejde", "Familie", "Venner", "Ærø"}));
    }

    void existingWordIsRefusedOnceAndStaysTyped()
    {
        typeWord(QStringLiteral("Familie"));
        QTest::keyClick(grid(), Qt::Key_Return);
        typeWord(QStringLiteral("Familie"));
        QTest::keyClick(grid(), Qt::Key_Return);
        QCOMPARE(m_dialogs->texts(), QStringList{TDM::DuplicateMessage});
        QCOMPARE(words().State(), DataSetState::Insert);
        QCOMPARE(words().FieldByName(QStringLiteral("Nogleord")).AsString(),
                 QStringLiteral("Familie"));
    }

    // The record rules tell the main window, which hands it on: a new word is
    // typed into the grid, wherever the focus was.
    void aNewWordIsTypedIntoTheGrid()
    {
        TPhoneForm form;
        form.SetDataModule(m_dm.get());
        form.SetKeywordWindow(m_window.get());
        QApplication::setActiveWindow(m_window.get());
        m_window->Form().DBNavigator1->button(TDBNavigator::Insert)->setFocus();
        QVERIFY(!grid()->hasFocus());
        typeWord(QStringLiteral("Familie"));
        QVERIFY(grid()->hasFocus());
        m_dm->SetHost(nullptr);
    }

    void ctrlDeleteAsksFirst()
    {
        typeWord(QStringLiteral("Familie"));
        QTest::keyClick(grid(), Qt::Key_Return);
        m_dialogs->answers << Cancel;
        QTest::keyClick(grid(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(words().RecordCount(), 1);
        m_dialogs->answers << Ok;
        QTest::keyClick(grid(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(words().RecordCount(), 0);
        QCOMPARE(m_dialogs->texts(), (QStringList{"Slet denne post?", "Slet denne post?"}));
    }
};

QTEST_MAIN(TestKeywordWindow)
#include "test_keywordwindow.moc"
