// Host environment variables changed for a scope and put back as they were
// when it ends.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qztest {

class ScopedEnv {
 public:
  ScopedEnv() = default;
  // A null value unsets the variable.
  ScopedEnv(const char* name, const char* value) { Set(name, value); }
  ~ScopedEnv() { Restore(); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

  // A null value unsets the variable; a later change of the same one keeps
  // the value from before the first.
  void Set(const std::string& name, const char* value);
  void Unset(const std::string& name) { Set(name, nullptr); }
  // Every variable changed back to what it was, and nothing left to restore.
  void Restore();

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace qztest
