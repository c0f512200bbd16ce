#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace clipvane {

// Why an operation failed: the sentence a user may be shown, and the system's
// error number when there was one (so a caller can tell a full disk from a
// refused permission without reading the sentence).
struct Failure
{
    std::string text;
    int errorNumber = 0;
};

// The one form of a result that can fail, in every layer: a value, or the
// failure that took its place. Nothing is thrown for what a caller is
// expected to handle; a result must be looked at.
template <class T> class [[nodiscard]] Result
{
public:
    Result(T value) : m_state(std::move(value)) {}
    Result(Failure failure) : m_state(std::move(failure)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T& value() const& { return std::get<0>(m_state); }
    T&& value() && { return std::get<0>(std::move(m_state)); }
    const Failure& failure() const { return std::get<1>(m_state); }
    // The failure's sentence; empty on success.
    std::string errorText() const { return ok() ? std::string() : failure().text; }

private:
    std::variant<T, Failure> m_state;
};

// A result with nothing to give but success.
template <> class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(Failure failure) : m_failure(std::move(failure)) {}

    bool ok() const { return !m_failure.has_value(); }
    explicit operator bool() const { return ok(); }

    const Failure& failure() const { return *m_failure; }
    std::string errorText() const { return ok() ? std::string() : m_failure->text; }

private:
    std::optional<Failure> m_failure;
};

using Status = Result<void>;

} // namespace clipvane
