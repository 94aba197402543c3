// The comma-text reader on any text, and the writer's promise: a list
// written reads back as it was.
#include "FuzzCheck.h"

#include "core/i18n/CommaText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = Fuzz::utf16(data, size);
    const QStringList items = CommaText::read(text);
    // What was read is written in a form that reads back the same.
    FUZZ_CHECK(CommaText::read(CommaText::write(items)) == items);

    // The input cut at zero characters into a list of items: no zero
    // character reaches a language file, everything else may.
    const QStringList list = QString(text).replace(QChar(0), QChar(1)).split(QChar(0x1F));
    FUZZ_CHECK(CommaText::read(CommaText::write(list)) == list);
    return 0;
}
