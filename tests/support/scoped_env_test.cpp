#include "tests/support/scoped_env.h"

#include <gtest/gtest.h>
#include <stdlib.h>

namespace {

std::string Value(const char* name) {
  const char* v = ::getenv(name);
  return v ? v : "<unset>";
}

TEST(ScopedEnv, EveryChangeIsUndoneAtTheEndOfTheScope) {
  ::setenv("QZ_ENV_SET", "old", 1);
  ::setenv("QZ_ENV_GONE", "old", 1);
  ::unsetenv("QZ_ENV_NEW");
  {
    qztest::ScopedEnv env("QZ_ENV_SET", "new");
    env.Set("QZ_ENV_SET", "newer");
    env.Unset("QZ_ENV_GONE");
    env.Set("QZ_ENV_NEW", "");
    EXPECT_EQ(Value("QZ_ENV_SET"), "newer");
    EXPECT_EQ(Value("QZ_ENV_GONE"), "<unset>");
    EXPECT_EQ(Value("QZ_ENV_NEW"), "");
  }
  EXPECT_EQ(Value("QZ_ENV_SET"), "old");
  EXPECT_EQ(Value("QZ_ENV_GONE"), "old");
  EXPECT_EQ(Value("QZ_ENV_NEW"), "<unset>");
  ::unsetenv("QZ_ENV_SET");
  ::unsetenv("QZ_ENV_GONE");
}

}  // namespace
