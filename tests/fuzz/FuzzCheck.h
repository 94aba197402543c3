#pragma once

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A property every input must keep; a broken one ends the run as a crash,
// so that libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace Fuzz {

// The input as text, two bytes a character, so that every UTF-16 unit
// (lone surrogates included) can turn up.
inline QString utf16(const uint8_t* data, size_t size)
{
    return QString(reinterpret_cast<const QChar*>(data), qsizetype(size / 2));
}

// The input as UTF-8 text: the form a seed written by hand takes.
inline QString utf8(const uint8_t* data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

} // namespace Fuzz
