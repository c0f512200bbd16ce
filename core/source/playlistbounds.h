#pragma once

#include <optional>
#include <string>

namespace clipvane {

// What a playlist document may cost to parse, looked at before the parser
// sees it: a document of a few kilobytes must not grow to gigabytes through
// its internal entities, nor keep the parser busy for minutes comparing
// thousands of attributes of one element pairwise. Real playlists use
// neither; a document that goes beyond these is refused.
struct PlaylistBoundsProblem
{
    int line = 0;
    std::string why;
};

// Nothing when the document stays within the bounds. The document may be
// UTF-16 or UTF-32 (its markup is read through its code units).
std::optional<PlaylistBoundsProblem> CheckPlaylistBounds(const std::string& document);

inline constexpr std::size_t kMostAttributesOfAnElement = 1000;
// The entities of a document may add this many times its own size, and a
// small allowance besides.
inline constexpr std::size_t kEntityGrowthFactor = 4;
inline constexpr std::size_t kEntityGrowthAllowance = std::size_t{64} * 1024;

} // namespace clipvane
