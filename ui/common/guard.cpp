#include "ui/common/guard.h"

#include "ui/common/messages.h"

#include <exception>

namespace clipvane {

void ReportEscapedException() noexcept
{
    try {
        try {
            throw;
        } catch (const std::exception& e) {
            ShowExceptionReport(e.what());
        } catch (...) {
            ShowExceptionReport("Unknown error");
        }
    } catch (...) {
        // Nothing more can be said when even the report fails.
    }
}

} // namespace clipvane
