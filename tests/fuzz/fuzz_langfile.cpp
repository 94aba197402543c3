// The language file reader and the value decoder, on any bytes: nothing
// read may crash, every value read must go back into a file as it came out,
// and a file written from what was read must read back the same.
#include "FuzzCheck.h"

#include "core/i18n/LanguageFile.h"
#include "core/i18n/Windows1252.h"

namespace {

void checkRoundTrip(const QString& text)
{
    FUZZ_CHECK(TQLanguageFile::DecodeValue(TQLanguageFile::EncodeValue(text)) == text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const TQLanguageFile file(QString(), bytes);
    for (const QString& section : file.Sections()) {
        FUZZ_CHECK(file.SectionExists(section));
        const QStringList names = file.ReadSection(section);
        const QStringList lines = file.ReadSectionValues(section);
        FUZZ_CHECK(names.size() == lines.size());
        for (const QString& name : names)
            checkRoundTrip(file.ReadString(section, name, QString()));
    }

    const QString text = file.Text();
    const TQLanguageFile again(QString(), Windows1252::encode(text));
    FUZZ_CHECK(again.Text() == text);

    // The decoder alone, on a whole line and on text outside the code page.
    checkRoundTrip(TQLanguageFile::DecodeValue(Windows1252::decode(bytes)));
    checkRoundTrip(TQLanguageFile::DecodeValue(Fuzz::utf16(data, size)));
    return 0;
}
