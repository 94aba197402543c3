#pragma once

#include "RecordingDialogs.h"
#include "TestSupport.h"

#include <QString>

#include <functional>
#include <memory>

class TDM;
class TNogleForm;
class TPhoneForm;
class TTable;
class QWidget;

// The main window shown on a fresh data folder, as the program starts it:
// the language files in the working directory, the placeholder picture in
// the picture folder and the dialogs answered by a recorder. Made in a
// test's init and dropped in its cleanup.
class MainWindowFixture
{
public:
    // prepare, when given, sees the data folder before the window opens it.
    explicit MainWindowFixture(const std::function<void(const TempDataFolder&)>& prepare = {});
    ~MainWindowFixture();
    MainWindowFixture(const MainWindowFixture&) = delete;
    MainWindowFixture& operator=(const MainWindowFixture&) = delete;

    TPhoneForm& form() { return *m_form; }
    TDM& dm() { return *m_dm; }
    TTable& contacts();
    TTable& members();
    RecordingDialogs& dialogs() { return m_dialogs; }
    // The keyword window, made hidden as the program makes it.
    TNogleForm& keywordWindow();
    const TempDataFolder& folder() const { return m_folder; }

    // Brings a tab sheet forward as the user does, so that its page's
    // Activated runs.
    void showPage(const char* tabSheet);
    QWidget* tabSheet(const char* name);

private:
    TempDataFolder m_folder;
    QString m_previousDir;
    RecordingDialogs m_dialogs;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<TPhoneForm> m_form;
    std::unique_ptr<TNogleForm> m_keywords;
};
