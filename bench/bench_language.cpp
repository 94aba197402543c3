// Switching the whole main window from Danish to English and back through the
// language source, against setting the same texts on the same widgets
// directly from a prepared list. Both loops also deliver whatever events the
// work posted, so that nothing is left for later unmeasured.
#include "core/data/DM.h"
#include "core/i18n/LanguageFile.h"
#include "core/i18n/LanguageSource.h"
#include "gui/controls/ComponentModel.h"
#include "gui/i18n/FormLocalizer.h"
#include "gui/windows/PhoneForm.h"
#include "support/BenchReport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>

namespace {

struct Fixture
{
    QTemporaryDir dir;
    std::unique_ptr<TDM> dm; // outlives the window that uses it
    std::unique_ptr<TPhoneForm> form;
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

// Made on first use and destroyed before the application object.
std::unique_ptr<Fixture> theFixture;

Fixture& fixture()
{
    if (!theFixture)
        theFixture = std::make_unique<Fixture>();
    return *theFixture;
}

void SwitchThroughLanguageSource(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        f.form->EnglishClick();
        f.form->DanskClick();
        QCoreApplication::sendPostedEvents();
    }
    state.counters["texts"] = double(f.texts.size());
}
BENCHMARK(SwitchThroughLanguageSource)->Unit(benchmark::kMicrosecond);

// The same, with the window's components changed before every switch (as a
// tooltip or a grid's cell editor coming and going does): what the first
// switch after such a change costs.
void SwitchAfterTheWindowChanged(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        delete new QLabel(f.form.get());
        f.form->EnglishClick();
        f.form->DanskClick();
        QCoreApplication::sendPostedEvents();
    }
}
BENCHMARK(SwitchAfterTheWindowChanged)->Unit(benchmark::kMicrosecond);

void SetTextsDirectly(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        for (const auto& [property, english, danish] : f.texts)
            property.write(english);
        for (const auto& [property, english, danish] : f.texts)
            property.write(danish);
        QCoreApplication::sendPostedEvents();
    }
    state.counters["texts"] = double(f.texts.size());
}
BENCHMARK(SetTextsDirectly)->Unit(benchmark::kMicrosecond);

// Both, interleaved in one loop, so that a machine whose speed wanders
// (shared, throttled) weighs on them alike; the ratio is the figure to read.
// Both are work on the main thread alone, so its CPU time is what is timed.
void SwitchAgainstDirectWrites(benchmark::State& state)
{
    using Clock = BenchReport::ThreadCpuClock;
    Fixture& f = fixture();
    Clock::duration switching{};
    Clock::duration direct{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        f.form->EnglishClick();
        f.form->DanskClick();
        QCoreApplication::sendPostedEvents();
        const auto t1 = Clock::now();
        for (const auto& [property, english, danish] : f.texts)
            property.write(english);
        for (const auto& [property, english, danish] : f.texts)
            property.write(danish);
        QCoreApplication::sendPostedEvents();
        const auto t2 = Clock::now();
        switching += t1 - t0;
        direct += t2 - t1;
    }
    const auto us = [&](Clock::duration d) {
        return std::chrono::duration<double, std::micro>(d).count() / double(state.iterations());
    };
    state.counters["switch_us"] = us(switching);
    state.counters["direct_us"] = us(direct);
    state.counters["ratio"] = us(switching) / us(direct);
    BenchReport::figure("language_switch", us(switching), us(direct), "us", 3);
}
BENCHMARK(SwitchAgainstDirectWrites)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    theFixture.reset();
    return 0;
}
