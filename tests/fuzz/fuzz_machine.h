// A private emulated machine for a fuzz target, and a file on it.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/host/machine.h"

namespace qzfuzz {

inline void UsePrivateMachine() {
  static std::string* folder = nullptr;
  if (folder) return;
  const char* base = std::getenv("TMPDIR");
  folder = new std::string(std::string(base && *base ? base : "/tmp") + "/qz-fuzz-XXXXXX");
  if (!::mkdtemp(folder->data())) std::abort();
  std::atexit([] { std::filesystem::remove_all(*folder); });
  ::setenv("QZ_SYSTEM_ROOT", folder->c_str(), 1);
  win::ReloadMachine();
}

// Writes the bytes to the machine's file through the host.
inline void PutFile(std::u16string_view windowsPath, std::string_view bytes) {
  std::string host = win::HostPath(windowsPath);
  if (std::FILE* f = std::fopen(host.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
}

}  // namespace qzfuzz
