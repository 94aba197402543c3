#include "MainWindowFixture.h"

#include "core/data/DM.h"
#include "core/util/ProgramFolder.h"
#include "gui/windows/PhoneForm.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTabWidget>

MainWindowFixture::MainWindowFixture() : m_previousDir(QDir::currentPath())
{
    for (const char* name : {"English.lng", "Norsk.lng", "Svensk.lng", "Deutsch.lng"})
        QFile::copy(QStringLiteral(KALVINDO_SOURCE_DIR "/resources/lng/") + QLatin1String(name),
                    m_folder.root() + u'/' + QLatin1String(name));
    const QString pictures = m_folder.root() + QStringLiteral("/Billeder");
    QDir().mkpath(pictures);
    QFile::copy(testPicture("valid.jpg"), pictures + QStringLiteral("/Ingen.jpg"));
    ProgramFolder::setPath(m_folder.root());
    QDir::setCurrent(m_folder.root());
    m_dm = std::make_unique<TDM>(nullptr, m_folder.data());
    m_form = std::make_unique<TPhoneForm>();
    m_form->SetDataModule(m_dm.get());
    m_form->ShowMain();
    QApplication::setActiveWindow(m_form.get());
}

MainWindowFixture::~MainWindowFixture()
{
    m_form.reset();
    m_dm.reset();
    QDir::setCurrent(m_previousDir);
    ProgramFolder::setPath(QString());
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
