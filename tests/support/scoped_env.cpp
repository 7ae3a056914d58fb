#include "tests/support/scoped_env.h"

#include <stdlib.h>

#include <algorithm>

namespace qztest {
namespace {

void Put(const std::string& name, const char* value) {
  if (value)
    ::setenv(name.c_str(), value, 1);
  else
    ::unsetenv(name.c_str());
}

}  // namespace

void ScopedEnv::Set(const std::string& name, const char* value) {
  const bool seen = std::any_of(saved_.begin(), saved_.end(), [&](const auto& s) { return s.first == name; });
  if (!seen) {
    const char* old = ::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
  }
  Put(name, value);
}

void ScopedEnv::Restore() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) Put(it->first, it->second ? it->second->c_str() : nullptr);
  saved_.clear();
}

}  // namespace qztest
