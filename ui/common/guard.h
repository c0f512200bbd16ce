#pragma once

#include <utility>

namespace clipvane {

// Shows an exception that escaped a handler as the standard exception report.
// Never throws.
void ReportEscapedException() noexcept;

// Runs an event handler. Qt's event loop must never see an exception: one that
// escapes is reported and the rest of the handler is skipped, as the user
// expects of a desktop program that goes on working.
template <class Handler> void Guarded(Handler&& handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        ReportEscapedException();
    }
}

} // namespace clipvane
