#pragma once

#include "core/util/Exception.h"

// The error every localisation component raises, with a fixed English message.
class EQLocalError : public Exception
{
public:
    using Exception::Exception;
};
