// The console dialect both ways: the runner's reading of converter output,
// and the adapter's translation of ffmpeg's.
#include "core/base/error.h"
#include "core/conversion/consoleoutput.h"
#include "dialect.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        (void)clipvane::DurationToSeconds(clipvane::DurationText(text));
    } catch (const clipvane::ConvertError&) {
    }
    try {
        (void)clipvane::EncodedSeconds(text);
    } catch (const clipvane::ConvertError&) {
    }

    nnn::Command command;
    command.input = "/t/temp.flv";
    command.output = "/t/temp.avi";
    nnn::Translator translator(command);
    const std::size_t half = size / 2;
    (void)translator.stderrBytes(text.substr(0, half));
    (void)translator.progressBytes(text.substr(half));
    (void)translator.stderrBytes(text.substr(half));
    (void)translator.finishStderr();
    (void)translator.summary();
    (void)nnn::DescribeInput(text, command.input,
                             [](const std::string&) { return std::string("00:00:01.0"); });
    return 0;
}
