#include "MainWindowFixture.h"

#include "core/data/DM.h"
#include "core/i18n/LanguageSource.h"
#include "core/util/ProgramFolder.h"
#include "gui/windows/NogleForm.h"
#include "gui/windows/PhoneForm.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTabWidget>

MainWindowFixture::MainWindowFixture(const std::function<void(const TempDataFolder&)>& prepare)
    : m_previousDir(QDir::currentPath())
{
    for (const char* name : {"English.lng", "Norsk.lng", "Svensk.lng", "Deutsch.lng"})
        QFile::copy(QStringLiteral(KALVINDO_SOURCE_DIR "/resources/lng/") + QLatin1String(name),
                    m_folder.root() + u'/' + QLatin1String(name));
    const QString pictures = m_folder.root() + QStringLiteral("/Billeder");
    QDir().mkpath(pictures);
    QFile::copy(testPicture("valid.jpg"), pictures + QStringLiteral("/Ingen.jpg"));
    ProgramFolder::setPath(m_folder.root());
    QDir::setCurrent(m_folder.root());
    if (prepare)
        prepare(m_folder);
    m_dm = std::make_unique<TDM>(nullptr, m_folder.data());
    m_form = std::make_unique<TPhoneForm>();
    m_form->SetDataModule(m_dm.get());
    m_form->ShowMain();
    QApplication::setActiveWindow(m_form.get());
}

MainWindowFixture::~MainWindowFixture()
{
    m_keywords.reset();
    m_form.reset();
    m_dm.reset();
    QDir::setCurrent(m_previousDir);
    ProgramFolder::setPath(QString());
}

TNogleForm& MainWindowFixture::keywordWindow()
{
    if (!m_keywords) {
        m_keywords = std::make_unique<TNogleForm>(m_dm.get(), m_form->QLanguageSource1());
        m_form->SetKeywordWindow(m_keywords.get());
    }
    return *m_keywords;
}

TTable& MainWindowFixture::contacts()
{
    return *m_dm->TelefonTable;
}

TTable& MainWindowFixture::members()
{
    return *m_dm->FamilieTable;
}

QWidget* MainWindowFixture::tabSheet(const char* name)
{
    return m_form->findChild<QWidget*>(QLatin1String(name));
}

void MainWindowFixture::showPage(const char* name)
{
    m_form->PageControl1()->setCurrentWidget(tabSheet(name));
    QApplication::processEvents();
}
