#include "RecordingDialogs.h"
#include "TestSupport.h"
#include "core/data/DM.h"
#include "gui/windows/NogleForm.h"
#include "gui/windows/PhoneForm.h"
#include "ui_NogleForm.h"

#include <QApplication>
#include <QLineEdit>
#include <QToolButton>
#include <QTest>

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
        press(TDBNavigator::Insert);
        words().FieldByName(QStringLiteral("Nogleord")).SetAsString(word);
    }
    void press(TDBNavigator::Button button)
    {
        QTest::mouseClick(m_window->Form().DBNavigator1->button(button), Qt::LeftButton);
    }
    QLineEdit* cellEditor() { return grid()->viewport()->findChild<QLineEdit*>(); }
    // Types into the grid as a user does: the first key opens the cell's
    // editor, the others go into it.
    void typeIntoGrid(const QString& text)
    {
        QTest::keyClick(grid(), text[0].toLatin1());
        QVERIFY(cellEditor());
        QTest::keyClicks(cellEditor(), text.mid(1));
    }
    // The words as they are on disk, read through a table of their own.
    QStringList storedWords()
    {
        TDM other(nullptr, m_folder->data());
        other.NogleTable->Open();
        QStringList stored;
        for (other.NogleTable->First(); !other.NogleTable->Eof(); other.NogleTable->Next())
            stored << other.NogleTable->FieldByName(QStringLiteral("Nogleord")).AsString();
        return stored;
    }
    QStringList rows()
    {
        QStringList shown;
        for (int r = 0; r < grid()->model()->rowCount(); ++r)
            shown << grid()->model()->index(r, 0).data().toString();
        return shown;
    }
    void addWords(const QStringList& list)
    {
        for (const QString& w : list) {
            typeWord(w);
            QTest::keyClick(grid(), Qt::Key_Return);
        }
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
        QApplication::setActiveWindow(m_window.get());
        grid()->setFocus();
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
        QCOMPARE(rows(), (QStringList{"Arbejde", "Familie", "Venner", "Ærø"}));
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

    // The word typed into the open cell reaches the record whatever posts it.
    void typedWordIsSavedByEveryPost_data()
    {
        QTest::addColumn<QString>("post");
        for (const char* post : {"Gem", "Enter", "Tilføj", "another row", "closing the window"})
            QTest::newRow(post) << QString::fromUtf8(post);
    }
    void typedWordIsSavedByEveryPost()
    {
        QFETCH(QString, post);
        addWords({QStringLiteral("Arbejde")});
        press(TDBNavigator::Insert);
        typeIntoGrid(QStringLiteral("Golf"));
        if (post == QLatin1String("Gem"))
            press(TDBNavigator::Post);
        else if (post == QLatin1String("Enter"))
            QTest::keyClick(cellEditor(), Qt::Key_Return);
        else if (post == QString::fromUtf8("Tilføj"))
            press(TDBNavigator::Insert);
        else if (post == QLatin1String("another row"))
            QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {},
                              grid()->visualRect(grid()->model()->index(1, 0)).center());
        else
            m_window->close();
        QCOMPARE(storedWords(), (QStringList{"Arbejde", "Golf"}));
        QVERIFY(m_dialogs->messages.isEmpty());
    }

    void noEmptyWordIsEverStored_data()
    {
        QTest::addColumn<bool>("editExisting");
        QTest::addColumn<QString>("typed"); // keys typed into the cell, "<" for backspace
        QTest::addColumn<int>("post");
        const int gem = TDBNavigator::Post, enter = -1, close = -2;
        QTest::newRow("untouched new row, Enter") << false << "" << enter;
        QTest::newRow("untouched new row, Gem") << false << "" << gem;
        QTest::newRow("typed and erased, Gem") << false << "x<" << gem;
        QTest::newRow("only spaces, Enter") << false << "  " << enter;
        QTest::newRow("only spaces, closing") << false << "  " << close;
        QTest::newRow("word cleared, Gem") << true << " <" << gem;
    }
    void noEmptyWordIsEverStored()
    {
        QFETCH(bool, editExisting);
        QFETCH(QString, typed);
        QFETCH(int, post);
        addWords({QStringLiteral("Golf")});
        if (!editExisting)
            press(TDBNavigator::Insert);
        if (!typed.isEmpty()) {
            typeIntoGrid(typed.left(1));
            for (QChar c : typed.mid(1))
                QTest::keyClick(cellEditor(), c == u'<' ? Qt::Key_Backspace : Qt::Key_Space);
        }
        if (post == -1)
            QTest::keyClick(cellEditor() ? static_cast<QWidget*>(cellEditor()) : grid(),
                            Qt::Key_Return);
        else if (post == -2)
            m_window->close();
        else
            press(TDBNavigator::Post);
        QCOMPARE(storedWords(), QStringList{"Golf"});
        QCOMPARE(words().State(), DataSetState::Browse);
        QCOMPARE(rows(), QStringList{"Golf"});
        QVERIFY(m_dialogs->messages.isEmpty());
        QVERIFY(m_window->isHidden() == (post == -2));
    }

    void arrowDownOnTheLastRowStartsANewRow()
    {
        addWords({QStringLiteral("Arbejde"), QStringLiteral("Familie")});
        QCOMPARE(grid()->currentIndex().row(), 1);
        QTest::keyClick(grid(), Qt::Key_Down);
        QCOMPARE(words().State(), DataSetState::Insert);
        QCOMPARE(rows(), (QStringList{"Arbejde", "Familie", ""}));
        QCOMPARE(grid()->currentIndex().row(), 2);
        // Down again on the untouched row adds no second one; up gives it up.
        QTest::keyClick(grid(), Qt::Key_Down);
        QCOMPARE(rows().size(), 3);
        QTest::keyClick(grid(), Qt::Key_Up);
        QCOMPARE(words().State(), DataSetState::Browse);
        QCOMPARE(rows(), (QStringList{"Arbejde", "Familie"}));
        // A word typed into the new row is saved by the next arrow down.
        QTest::keyClick(grid(), Qt::Key_Down);
        typeIntoGrid(QStringLiteral("Golf"));
        QTest::keyClick(cellEditor(), Qt::Key_Down);
        QCOMPARE(storedWords(), (QStringList{"Arbejde", "Familie", "Golf"}));
        QCOMPARE(words().State(), DataSetState::Insert);
        QCOMPARE(rows(), (QStringList{"Arbejde", "Familie", "Golf", ""}));
    }

    void typingIntoAnEmptyListStartsANewRow()
    {
        typeIntoGrid(QStringLiteral("Golf"));
        QCOMPARE(words().State(), DataSetState::Insert);
        QCOMPARE(cellEditor()->text(), QStringLiteral("Golf"));
        QTest::keyClick(cellEditor(), Qt::Key_Return);
        QCOMPARE(storedWords(), QStringList{"Golf"});
    }

    void closingGivesUpAnUntouchedRowAndKeepsARefusedWord()
    {
        press(TDBNavigator::Insert);
        m_window->close();
        QVERIFY(m_window->isHidden());
        QCOMPARE(words().State(), DataSetState::Browse);
        QVERIFY(storedWords().isEmpty());

        addWords({QStringLiteral("Golf")});
        m_window->show();
        press(TDBNavigator::Insert);
        typeIntoGrid(QStringLiteral("Golf"));
        m_window->close();
        QCOMPARE(m_dialogs->texts(), QStringList{TDM::DuplicateMessage});
        QVERIFY(m_window->isVisible());
        QCOMPARE(words().State(), DataSetState::Insert);
        QCOMPARE(words().FieldByName(QStringLiteral("Nogleord")).AsString(),
                 QStringLiteral("Golf"));
        // Escape then gives the row up, and the window closes.
        QTest::keyClick(grid(), Qt::Key_Escape);
        m_window->close();
        QVERIFY(m_window->isHidden());
        QCOMPARE(storedWords(), QStringList{"Golf"});
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
