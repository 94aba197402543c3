// Switching the whole main window from Danish to English and back through the
// language source, against setting the same texts on the same widgets
// directly from a prepared list.
#include "app/PhoneForm.h"
#include "i18n/FormLocalizer.h"
#include "i18n/LanguageFile.h"
#include "i18n/LanguageSource.h"
#include "store/DM.h"
#include "toolkit/ComponentModel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

struct Fixture
{
    QTemporaryDir dir;
    std::unique_ptr<TPhoneForm> form;
    std::unique_ptr<TDM> dm;
    // Every translated property with its English and its Danish text.
    std::vector<std::tuple<ComponentModel::Property, QString, QString>> texts;

    Fixture()
    {
        QFile::copy(QStringLiteral(KALVINDO_SOURCE_DIR "/resources/lng/English.lng"),
                    dir.filePath(QStringLiteral("English.lng")));
        QDir::setCurrent(dir.path());
        form = std::make_unique<TPhoneForm>();
        dm = std::make_unique<TDM>(nullptr, dir.filePath(QStringLiteral("Data")));
        form->SetDataModule(dm.get());
        TQLanguageFile english(dir.filePath(QStringLiteral("English.lng")));
        form->QLanguageSource1()->SetActiveLanguage(0);
        for (const QString& line : form->QFormLocalizer1()->Originals()) {
            const QString key = line.section(u'=', 0, 0);
            const QString danish = TQLanguageFile::DecodeValue(line.section(u'=', 1));
            const QString translated =
                english.ReadString(QStringLiteral("PhoneForm"), key, QString());
            const QString objectName = key.contains(u'.') ? key.section(u'.', 0, 0) : QString();
            const QString prop = key.contains(u'.') ? key.section(u'.', 1) : key;
            QObject* object = objectName.isEmpty() ? static_cast<QObject*>(form.get())
                                                   : form->findChild<QObject*>(objectName);
            if (object && !translated.isEmpty())
                texts.emplace_back(ComponentModel::property(object, prop), translated, danish);
        }
        form->QLanguageSource1()->SetActiveLanguage(-1);
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void SwitchThroughLanguageSource(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        f.form->EnglishClick();
        f.form->DanskClick();
    }
    state.counters["texts"] = double(f.texts.size());
}
BENCHMARK(SwitchThroughLanguageSource)->Unit(benchmark::kMicrosecond);

void SetTextsDirectly(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        for (const auto& [property, english, danish] : f.texts)
            property.write(english);
        for (const auto& [property, english, danish] : f.texts)
            property.write(danish);
    }
    state.counters["texts"] = double(f.texts.size());
}
BENCHMARK(SetTextsDirectly)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
