#pragma once

#include "core/util/Exception.h"

#include <vector>

// An error of the record store: a table that cannot be opened, an operation
// in the wrong state, an invalid filter or field value.
class EDatabaseError : public Exception
{
public:
    using Exception::Exception;
};

// An error reported by the table engine itself. The codes mirror the engine
// error list of the old table engine so that the record rules can recognise
// a key violation by its number.
class EDBEngineError : public EDatabaseError
{
public:
    static constexpr int KeyViolation = 9729; // 0x2601

    EDBEngineError(QString message, std::vector<int> codes)
        : EDatabaseError(std::move(message)), m_codes(std::move(codes))
    {
    }
    int errorCount() const { return int(m_codes.size()); }
    int errorCode(int i) const { return m_codes.at(size_t(i)); }

private:
    std::vector<int> m_codes;
};
