#pragma once

#include <stdexcept>
#include <string>

namespace clipvane {

// An error meant for the user. Its message is the exact text the report shows,
// as bytes (UTF-8 on this platform).
class Error : public std::runtime_error
{
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// A text that is not a whole number where one was expected.
class ConvertError : public Error
{
public:
    using Error::Error;
};

// An index past the end of a list of lines.
class ListError : public Error
{
public:
    using Error::Error;
};

// A file that could not be opened or created.
class FileError : public Error
{
public:
    using Error::Error;
};

} // namespace clipvane
