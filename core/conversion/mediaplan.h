#pragma once

#include "core/conversion/outputformat.h"
#include "platform/result.h"

#include <optional>
#include <string>
#include <vector>

namespace clipvane {

// One stream of a media file, as ffprobe names it.
struct MediaStream
{
    int index = 0;
    std::string codec; // ffprobe's codec name: "h264", "aac", "flv1", ...
    int width = 0;
    int height = 0;
};

// What a downloaded file holds: its container, its length and its first
// video and sound streams (a cover picture is no video).
struct MediaStreams
{
    std::string container; // ffprobe's format name: "flv", "mpegts", "mov,mp4,m4a,3gp,3g2,mj2"
    double seconds = -1;   // -1: not known
    std::optional<MediaStream> video;
    std::optional<MediaStream> audio;
};

// The ffprobe command whose report ReadProbeReport reads: the container's
// and the streams' own fields, one "key=value" a line, never the file's
// metadata (which may hold anything).
std::vector<std::string> MediaProbeArguments(const std::string& file);
MediaStreams ReadProbeReport(const std::string& report);

// How ffmpeg makes the chosen format of a file: the options between the
// inputs and the output, and the output's extension.
struct ConversionPlan
{
    std::vector<std::string> options;
    std::string extension; // ".mp4", ".m4a", ".mkv" or ".mka"
};

// The plan for `format` (MP4 or Original) of `source`; `sound`, when given,
// is a second input that carries the sound. Fails for a source with nothing
// to save.
[[nodiscard]] Result<ConversionPlan> PlanConversion(OutputFormat format, const MediaStreams& source,
                                                    const MediaStreams* sound = nullptr);

// ffmpeg's whole command line for a plan, with its progress as "key=value"
// lines on its standard output and nothing but errors on its standard error.
std::vector<std::string> FfmpegArguments(const std::vector<std::string>& inputs,
                                         const ConversionPlan& plan, const std::string& output);

// "file:" and the path: a name is read neither as an option nor as another
// protocol.
std::string FfmpegFileUrl(const std::string& path);

// Whether a converted file is whole: it lasts as long as its source, give
// or take what stream ends differ by. Unknown lengths prove nothing.
bool LastsAsLong(double outputSeconds, double sourceSeconds);

} // namespace clipvane
