// Sets a host environment variable for one test and restores it after.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>

namespace qztest {

class ScopedEnv {
 public:
  // A null value unsets the variable.
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = ::getenv(name)) old_ = old;
    Set(value);
  }
  ~ScopedEnv() { Set(old_ ? old_->c_str() : nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void Set(const char* value) {
    if (value)
      ::setenv(name_.c_str(), value, 1);
    else
      ::unsetenv(name_.c_str());
  }
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace qztest
