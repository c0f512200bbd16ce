#include "ui/progress/progresswording.h"

#include "core/download/kilobytes.h"

namespace clipvane {

namespace {

// `pattern` with "%1" and "%2" standing for the two values; what the values
// hold is never read as a place holder.
std::string filled(const std::string& pattern, const std::string& first,
                   const std::string& second = {})
{
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() &&
            (pattern[i + 1] == '1' || pattern[i + 1] == '2')) {
            text += pattern[i + 1] == '1' ? first : second;
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

} // namespace

std::string ProgressWording::operation(const JobStatus& status) const
{
    switch (status.step) {
    case JobStep::Starting:
        return starting;
    case JobStep::LookingUp:
        return lookingUp;
    case JobStep::DownloadStarting:
        return filled(downloadStarting, std::to_string(status.bytesDone.value_or(0)),
                      std::to_string(status.bytesExpected));
    case JobStep::Downloading:
        if (status.bytesExpected <= 0)
            return filled(downloadingWithoutLength, FormatKilobytes(status.bytesDone.value_or(0)));
        return filled(downloading, FormatKilobytes(status.bytesDone.value_or(0)),
                      FormatKilobytes(status.bytesExpected));
    case JobStep::Converting:
        return converting;
    }
    return starting;
}

std::string ProgressWording::title(const JobStatus& status) const
{
    return status.title ? filled(titled, *status.title) : untitled;
}

std::string ProgressWording::endMessage(const JobEnd& end) const
{
    if (end.outcome == JobOutcome::Saved || end.outcome == JobOutcome::Cancelled)
        return done;
    return end.message;
}

} // namespace clipvane
