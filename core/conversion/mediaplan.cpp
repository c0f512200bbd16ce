#include "core/conversion/mediaplan.h"

#include <cstdlib>
#include <map>
#include <sstream>

namespace clipvane {

namespace {

double number(const std::string& text, double otherwise)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0' ? value : otherwise;
}

bool fitsInMp4(const std::optional<MediaStream>& video, const std::optional<MediaStream>& audio)
{
    const bool videoFits = !video || video->codec == "h264" || video->codec == "hevc";
    const bool audioFits = !audio || audio->codec == "aac" || audio->codec == "mp3";
    return videoFits && audioFits;
}

// AAC in MPEG-TS (or a bare AAC stream) carries ADTS headers, which MP4
// wants turned into its own form, or the file will not play.
bool hasAdts(const MediaStreams& streams)
{
    return streams.container == "mpegts" || streams.container == "aac" ||
           streams.container == "hls";
}

} // namespace

std::vector<std::string> MediaProbeArguments(const std::string& file)
{
    const std::string entries = "format=format_name,duration:"
                                "stream=index,codec_type,codec_name,width,height:"
                                "stream_disposition=attached_pic";
    return {"ffprobe", "-v",  "error",   "-show_entries",
            entries,   "-of", "default", FfmpegFileUrl(file)};
}

MediaStreams ReadProbeReport(const std::string& report)
{
    MediaStreams streams;
    std::istringstream lines(report);
    std::map<std::string, std::string> fields;
    std::string section;
    for (std::string line; std::getline(lines, line);) {
        if (line == "[STREAM]" || line == "[FORMAT]") {
            section = line;
            fields.clear();
        } else if (line == "[/FORMAT]") {
            streams.container = fields["format_name"];
            streams.seconds = number(fields["duration"], -1);
        } else if (line == "[/STREAM]") {
            MediaStream stream;
            stream.index = static_cast<int>(number(fields["index"], 0));
            stream.codec = fields["codec_name"];
            stream.width = static_cast<int>(number(fields["width"], 0));
            stream.height = static_cast<int>(number(fields["height"], 0));
            const bool picture = fields["DISPOSITION:attached_pic"] == "1";
            if (fields["codec_type"] == "video" && !picture && !streams.video)
                streams.video = stream;
            else if (fields["codec_type"] == "audio" && !streams.audio)
                streams.audio = stream;
        } else if (const auto equals = line.find('='); equals != std::string::npos) {
            fields[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return streams;
}

Result<ConversionPlan> PlanConversion(OutputFormat format, const MediaStreams& source,
                                      const MediaStreams* sound)
{
    const std::optional<MediaStream>& video = source.video;
    const std::optional<MediaStream> audio = sound && sound->audio ? sound->audio : source.audio;
    const int audioInput = sound && sound->audio ? 1 : 0;
    if (!video && !audio)
        return Failure{"the file holds neither video nor sound"};

    ConversionPlan plan;
    std::vector<std::string>& o = plan.options;
    if (video)
        o.insert(o.end(), {"-map", "0:" + std::to_string(video->index)});
    if (audio)
        o.insert(o.end(),
                 {"-map", std::to_string(audioInput) + ":" + std::to_string(audio->index)});

    const bool adts =
        audio && audio->codec == "aac" && hasAdts(audioInput == 1 && sound ? *sound : source);
    if (format == OutputFormat::Original) {
        const bool mp4 = fitsInMp4(video, audio);
        o.insert(o.end(), {"-c", "copy"});
        if (mp4 && video && video->codec == "hevc")
            o.insert(o.end(), {"-tag:v", "hvc1"}); // the tag players look for
        if (mp4 && adts)
            o.insert(o.end(), {"-bsf:a", "aac_adtstoasc"});
        o.insert(o.end(), {"-f", mp4 ? "mp4" : "matroska"});
        plan.extension = mp4 ? (video ? ".mp4" : ".m4a") : (video ? ".mkv" : ".mka");
        return plan;
    }

    // MP4 that plays everywhere: H.264 and AAC, kept as they are when the
    // source already has them.
    if (video && video->codec == "h264") {
        o.insert(o.end(), {"-c:v", "copy"});
    } else if (video) {
        o.insert(o.end(),
                 {"-c:v", "libx264", "-preset", "veryfast", "-crf", "23", "-pix_fmt", "yuv420p"});
        // H.264 in 4:2:0 wants even sides; an odd one loses its last line.
        if (video->width % 2 != 0 || video->height % 2 != 0)
            o.insert(o.end(), {"-vf", "scale=trunc(iw/2)*2:trunc(ih/2)*2"});
    }
    if (audio && audio->codec == "aac") {
        o.insert(o.end(), {"-c:a", "copy"});
        if (adts)
            o.insert(o.end(), {"-bsf:a", "aac_adtstoasc"});
    } else if (audio) {
        o.insert(o.end(), {"-c:a", "aac", "-b:a", "160k"});
    }
    o.insert(o.end(), {"-movflags", "+faststart", "-f", "mp4"});
    plan.extension = video ? ".mp4" : ".m4a";
    return plan;
}

std::vector<std::string> FfmpegArguments(const std::vector<std::string>& inputs,
                                         const ConversionPlan& plan, const std::string& output)
{
    std::vector<std::string> arguments = {"-nostdin", "-hide_banner", "-v",     "error",
                                          "-nostats", "-progress",    "pipe:1", "-y"};
    for (const std::string& input : inputs)
        arguments.insert(arguments.end(), {"-i", FfmpegFileUrl(input)});
    arguments.insert(arguments.end(), plan.options.begin(), plan.options.end());
    arguments.push_back(FfmpegFileUrl(output));
    return arguments;
}

std::string FfmpegFileUrl(const std::string& path)
{
    return "file:" + path;
}

bool LastsAsLong(double outputSeconds, double sourceSeconds)
{
    constexpr double kSlackSeconds = 2.0;
    if (sourceSeconds <= 0)
        return true;
    return outputSeconds >= 0 && outputSeconds + kSlackSeconds >= sourceSeconds;
}

} // namespace clipvane
