#pragma once

#include "gui/pages/Page.h"

#include <memory>

namespace Ui {
class FamilyPage;
}
class QWidget;
class TDM;

// The family members page on the main window's TabSheet2: the family rows
// of the current contact (DM.FamilieTable, a detail of the contact table on
// Navn and Telefon), one of them in the edits, all of them in the grid, with
// buttons to add, delete and save a member. The list follows the contact
// whichever page moves it.
class TFamilyPage : public TPage
{
    Q_OBJECT
public:
    TFamilyPage(QWidget* tabSheet, PageHost& host);
    ~TFamilyPage() override;

    void Bind(TDM& dm) override;

    Ui::FamilyPage& Form() { return *m_ui; }

    // Answer to the record rules, handed on by the main window: a new
    // member's name is typed first.
    void MemberInserted();

    // The delete question for the member named, in the active language.
    static QString DeleteQuestion(const QString& familyName);

    void Button1Click();
    void Button2Click();
    void Button3Click();

private:
    std::unique_ptr<Ui::FamilyPage> m_ui;
    TDM* m_dm = nullptr;
};
