// The one way a function that can fail without throwing reports: a value, or
// an Error that says what kind of failure it was, the system's code where
// there is one, and a detail text.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace vms {

enum class ErrorKind {
    System,       // a call to the system failed: systemCode says why
    Malformed,    // the data isn't what it claims to be
    Unsupported,  // well-formed, but of a kind or version this code doesn't handle
};

struct Error {
    ErrorKind kind = ErrorKind::System;
    std::uint32_t systemCode = 0;  // a Windows error code, for System
    std::string detail;            // UTF-8, for people: what was wrong and where

    bool operator==(const Error&) const = default;
};

inline Error SystemError(std::uint32_t code, std::string detail = {}) {
    return {ErrorKind::System, code, std::move(detail)};
}
inline Error MalformedError(std::string detail) { return {ErrorKind::Malformed, 0, std::move(detail)}; }
inline Error UnsupportedError(std::string detail) { return {ErrorKind::Unsupported, 0, std::move(detail)}; }

template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool Ok() const { return state_.index() == 0; }
    explicit operator bool() const { return Ok(); }

    T& Value() & { return std::get<0>(state_); }
    const T& Value() const& { return std::get<0>(state_); }
    T&& Value() && { return std::get<0>(std::move(state_)); }
    T& operator*() & { return Value(); }
    const T& operator*() const& { return Value(); }
    T&& operator*() && { return std::move(*this).Value(); }
    T* operator->() { return &Value(); }
    const T* operator->() const { return &Value(); }

    // The value, or fallback after a failure.
    T ValueOr(T fallback) const& { return Ok() ? Value() : std::move(fallback); }

    // Why it failed; after a success an Error with no code and no detail, as Result<void> gives.
    const Error& GetError() const {
        static const Error kNone;
        return Ok() ? kNone : std::get<1>(state_);
    }

private:
    std::variant<T, Error> state_;
};

// A result with nothing to give but success.
template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : error_(std::move(error)), failed_(true) {}

    bool Ok() const { return !failed_; }
    explicit operator bool() const { return Ok(); }
    const Error& GetError() const { return error_; }

private:
    Error error_;
    bool failed_ = false;
};

}  // namespace vms
