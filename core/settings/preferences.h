#pragma once

#include "core/conversion/outputformat.h"

#include <cstdint>

namespace clipvane {

// The choices kept beside set.txt, in a settings file of their own
// ("clipvane.conf" in ~/.config/clipvane/), so that set.txt stays the three
// lines it always was:
//
//   [save]
//   format=mp4                      the window's "Save as:" choice
//   [download]
//   unknownLengthLimitGiB=16        how far a stream that says no length may go
class Preferences
{
public:
    Preferences();

    OutputFormat outputFormat() const;
    void setOutputFormat(OutputFormat format);

    // A stream that announces no length ends as failed beyond this.
    std::int64_t unknownLengthCeiling() const;

    static constexpr int kDefaultUnknownLengthLimitGiB = 16;

private:
    std::string m_path;
};

} // namespace clipvane
