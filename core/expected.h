#pragma once

#include <utility>
#include <variant>

// The one way the project reports an error: a function that can fail returns
// Expected<T, E>, a value or the error that stopped it, in the manner of
// C++23's std::expected. Written here because the compilers the project
// builds with (gcc 12 and clang 14, in C++20) offer no std::expected.
// Header only and plain C++, so the analyzer uses it without Qt.

namespace yomika {

/// The error side of an Expected, as `return Unexpected(error);`.
template <typename E>
class Unexpected {
public:
    explicit constexpr Unexpected(E error) : m_error(std::move(error)) {}
    constexpr const E& error() const& { return m_error; }
    constexpr E&& error() && { return std::move(m_error); }

private:
    E m_error;
};

template <typename E>
Unexpected(E) -> Unexpected<E>;

/// A value of T, or the error E that took its place.
template <typename T, typename E>
class [[nodiscard]] Expected {
public:
    constexpr Expected() requires std::is_default_constructible_v<T> : m_state(std::in_place_index<0>) {}
    constexpr Expected(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    template <typename G>
    constexpr Expected(Unexpected<G> error) : m_state(std::in_place_index<1>, std::move(error).error())
    {
    }

    constexpr bool hasValue() const { return m_state.index() == 0; }
    constexpr explicit operator bool() const { return hasValue(); }

    /// The value; only when hasValue().
    constexpr T& value() & { return *std::get_if<0>(&m_state); }
    constexpr const T& value() const& { return *std::get_if<0>(&m_state); }
    constexpr T&& value() && { return std::move(*std::get_if<0>(&m_state)); }
    constexpr T& operator*() & { return value(); }
    constexpr const T& operator*() const& { return value(); }
    constexpr T&& operator*() && { return std::move(*this).value(); }
    constexpr T* operator->() { return &value(); }
    constexpr const T* operator->() const { return &value(); }
    /// The value, or `fallback` when there is an error.
    template <typename U>
    constexpr T valueOr(U&& fallback) const& { return hasValue() ? value() : T(std::forward<U>(fallback)); }

    /// The error; only when !hasValue().
    constexpr const E& error() const { return *std::get_if<1>(&m_state); }

private:
    std::variant<T, E> m_state;
};

/// Nothing, or the error that stopped it.
template <typename E>
class [[nodiscard]] Expected<void, E> {
public:
    constexpr Expected() = default;
    template <typename G>
    constexpr Expected(Unexpected<G> error) : m_failed(true), m_error(std::move(error).error())
    {
    }

    constexpr bool hasValue() const { return !m_failed; }
    constexpr explicit operator bool() const { return hasValue(); }
    /// The error; only when !hasValue().
    constexpr const E& error() const { return m_error; }

private:
    bool m_failed = false;
    E m_error{};
};

} // namespace yomika
