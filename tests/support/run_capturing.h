// Runs a host command and returns what it printed on standard output.
#pragma once

#include <array>
#include <cstdio>
#include <string>

namespace qztest {

inline std::string RunCapturing(const std::string& command) {
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return output;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), n);
  ::pclose(pipe);
  return output;
}

}  // namespace qztest
