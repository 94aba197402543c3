#pragma once

#include <algorithm>
#include <exception>
#include <vector>

// Listeners called directly rather than through signals, so that their
// errors reach whoever caused the change.
namespace Listeners {

// Calls each item of a list that is still in it when its turn comes (a call
// may remove others), then afterAll, also after one of them threw; the first
// error is thrown again once all have been told, so one failing listener neither
// keeps the others stale nor hides its error.
template <typename T, typename Call, typename After = void (*)()>
void tellEach(
    const std::vector<T*>& live, Call call, After afterAll = [] {})
{
    std::exception_ptr first;
    const auto attempt = [&first](auto&& f) {
        try {
            f();
        } catch (...) {
            if (!first)
                first = std::current_exception();
        }
    };
    const std::vector<T*> snapshot = live;
    for (T* item : snapshot) {
        if (std::find(live.begin(), live.end(), item) != live.end())
            attempt([&] { call(*item); });
    }
    attempt(afterAll);
    if (first)
        std::rethrow_exception(first);
}

} // namespace Listeners
