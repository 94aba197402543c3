#pragma once

#include <QDialog>
#include <QSize>
#include <memory>

namespace Ui {
class NogleForm;
}
class TDM;
class TQCustomLanguageSource;
class TQFormLocalizer;
class QKeyEvent;

// The keyword window: the list of keywords, edited in place, with a
// navigator of three buttons (insert, delete, post). Shown modally from the
// main menu; the same window object is shown each time.
class TNogleForm : public QDialog
{
    Q_OBJECT
public:
    // Translated from the main window's language source.
    TNogleForm(TDM* dm, TQCustomLanguageSource* languageSource, QWidget* parent = nullptr);
    ~TNogleForm() override;
    TNogleForm(const TNogleForm&) = delete;
    TNogleForm& operator=(const TNogleForm&) = delete;

    Ui::NogleForm& Form() { return *m_ui; }
    TQFormLocalizer* QFormLocalizer1() const { return m_localizer; }
    void DBGrid1KeyDown(QKeyEvent* event);
    // A new keyword is in insert state: it is typed into the grid.
    void KeywordInserted();

    // Closing (the close button, Escape) saves a typed word first and gives
    // up a row nothing was typed into; a word that cannot be saved keeps the
    // window open with the word in its row.
    void done(int result) override;

    // The window's outer size, frame included.
    static constexpr QSize OuterSize{275, 480};

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Ends the keyword table's edit or insert; false while it goes on.
    bool SettleRow();

    std::unique_ptr<Ui::NogleForm> m_ui;
    TDM* m_dm;
    TQFormLocalizer* m_localizer = nullptr;
};
