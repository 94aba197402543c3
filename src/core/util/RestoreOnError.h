#pragma once

#include <QScopeGuard>

#include <exception>
#include <utility>

// A scope guard that restores state only when the scope is left by an
// exception. A restore that may itself fail (it moves a table, opens a file)
// cannot run in a plain qScopeGuard: failing while an error is on its way
// would end the program. Here its own error is dropped so that the first
// one goes on; on the normal path the caller restores explicitly and sees
// any error of it.
template <typename Restore> [[nodiscard]] auto restoreOnError(Restore restore)
{
    return qScopeGuard(
        [restore = std::move(restore), pending = std::uncaught_exceptions()]() mutable {
            if (std::uncaught_exceptions() <= pending)
                return;
            try {
                restore();
            } catch (...) {
            }
        });
}
