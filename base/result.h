// How everything above platform/ says that an operation failed: a Failure
// carries the text that tells the user what went wrong, ready to be shown
// as it stands. Result<T> is a value or a Failure; Status is Result<void>.
#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace qz {

struct Failure {
  // The user's message; empty when it has already been shown.
  std::u16string message;
};

template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}

  bool Ok() const { return state_.index() == 0; }
  explicit operator bool() const { return Ok(); }

  T& Value() & {
    assert(Ok());
    return std::get<0>(state_);
  }
  const T& Value() const& {
    assert(Ok());
    return std::get<0>(state_);
  }
  T&& Value() && {
    assert(Ok());
    return std::get<0>(std::move(state_));
  }
  T* operator->() { return &Value(); }
  const T* operator->() const { return &Value(); }
  T& operator*() & { return Value(); }
  const T& operator*() const& { return Value(); }

  const Failure& Error() const {
    assert(!Ok());
    return std::get<1>(state_);
  }

 private:
  std::variant<T, Failure> state_;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Failure failure) : failure_(std::move(failure)) {}

  bool Ok() const { return !failure_; }
  explicit operator bool() const { return Ok(); }

  const Failure& Error() const {
    assert(!Ok());
    return *failure_;
  }

 private:
  std::optional<Failure> failure_;
};

using Status = Result<void>;

}  // namespace qz
