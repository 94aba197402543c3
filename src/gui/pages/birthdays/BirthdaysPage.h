#pragma once

#include "core/data/DM.h"
#include "core/i18n/InCodeText.h"
#include "gui/pages/Page.h"

#include <QPointer>

#include <memory>

namespace Ui {
class BirthdaysPage;
}
class QLineEdit;
class QWidget;
class TTable;

// The birthday and card page on the main window's TabSheet5: who has a
// birthday in a span of days of one month, among the contacts (upper half)
// and among the family members of all contacts (lower half); the lists of
// contacts marked for a birthday card or a Christmas card, and their print.
//
// The searches and the card lists set the filter (and the searches the
// birthday order) of the shared contact cursor, so every page shows what
// they found until something else changes it.
class TBirthdaysPage : public TPage
{
    Q_OBJECT
public:
    TBirthdaysPage(QWidget* tabSheet, PageHost& host);
    ~TBirthdaysPage() override;

    void Bind(TDM& dm) override;
    void Activated() override;
    void LanguageChanged() override;

    Ui::BirthdaysPage& Form() { return *m_ui; }

    // The day boxes: each checks on leaving that it holds two characters.
    void Edit2Exit();
    void Edit3Exit();
    void Edit5Exit();
    void Edit6Exit();
    // The contacts search, from its button or Enter in the month box.
    void SpeedButton13Click();
    void Edit4KeyDown(int key);
    // The family search.
    void SpeedButton5Click();
    void Edit7KeyDown(int key);
    // The card lists, their end and their print.
    void SpeedButton2Click();
    void SpeedButton3Click();
    void DBGrid2Exit();
    void SpeedButton4Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct SearchBoxes
    {
        QLineEdit* firstDay;
        QLineEdit* lastDay;
        QLineEdit* month;
    };
    void ConnectHandlers();
    void CheckDayBox(QLineEdit* box);
    // Filters the table on the span typed into the boxes; the messages in
    // the texts of the language index.
    void Search(const SearchBoxes& boxes, TTable& table, int languageIndex);
    void ShowCardList(const InCodeTexts& title, const QString& filter);
    void FocusChanged(QWidget* old, QWidget* now);
    bool IsInGrid2(const QWidget* widget) const;

    std::unique_ptr<Ui::BirthdaysPage> m_ui;
    QPointer<TDM> m_dm; // the focus may move while the data module goes
    // The title of the card list in force, kept so that it follows the language.
    const InCodeTexts* m_cardListTitle = nullptr;
    // Set while the focus is put back into a day box, so that the box the
    // user went to is not checked on the way.
    bool m_returningFocus = false;
};
