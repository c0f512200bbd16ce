#include "core/base/strtoint.h"

#include "core/base/error.h"

namespace clipvane {

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<std::int32_t> TryStrToInt(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;

    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }

    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }

    if (i == text.size())
        return std::nullopt;

    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit =
            hex ? hexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
        if (digit < 0)
            return std::nullopt;
        value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
        // Hexadecimal may fill all 32 bits (the sign bit included); decimal
        // must fit the signed range.
        const std::uint64_t limit =
            hex ? 0xFFFFFFFFull : (negative ? 2147483648ull : 2147483647ull);
        if (value > limit)
            return std::nullopt;
    }

    std::int64_t result;
    if (hex)
        result = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    else
        result = static_cast<std::int64_t>(value);
    if (negative)
        result = -result;
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(result)));
}

std::string NotAnIntegerMessage(std::string_view text)
{
    return "'" + std::string(text) + "' is not a valid integer value";
}

std::int32_t StrToInt(std::string_view text)
{
    if (const auto value = TryStrToInt(text))
        return *value;
    throw ConvertError(NotAnIntegerMessage(text));
}

} // namespace clipvane
