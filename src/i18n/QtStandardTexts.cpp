#include "i18n/QtStandardTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

TQtStandardTexts::TQtStandardTexts(QObject* owner)
    : TQCustomLocalizer(owner), m_folder(QLibraryInfo::path(QLibraryInfo::TranslationsPath))
{
}

TQtStandardTexts::~TQtStandardTexts()
{
    uninstall();
}

QStringList TQtStandardTexts::CataloguesFor(int languageIndex)
{
    switch (languageIndex) {
    case -1:
        return {QStringLiteral("qtbase_da")};
    case 1:
        return {QStringLiteral("qtbase_nb"), QStringLiteral("qt_nb"), QStringLiteral("qtbase_da")};
    case 2:
        return {QStringLiteral("qtbase_sv"), QStringLiteral("qt_sv")};
    case 3:
        return {QStringLiteral("qtbase_de")};
    default:
        return {}; // English: Qt's own texts
    }
}

void TQtStandardTexts::Localize()
{
    Install(SourceLanguage());
}

void TQtStandardTexts::uninstall()
{
    if (m_translator)
        QCoreApplication::removeTranslator(m_translator.get());
    m_translator.reset();
    m_installed.clear();
}

bool TQtStandardTexts::Install(int languageIndex)
{
    uninstall();
    for (const QString& catalogue : CataloguesFor(languageIndex)) {
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(catalogue, m_folder) && !translator->isEmpty()) {
            QCoreApplication::installTranslator(translator.get());
            m_translator = std::move(translator);
            m_installed = catalogue;
            return true;
        }
    }
    return false;
}
