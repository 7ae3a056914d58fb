// A private emulated machine for a fuzz target, and a file on it.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/host/machine.h"
#include "tests/support/temp_dir.h"

namespace qzfuzz {

inline void UsePrivateMachine() {
  [[maybe_unused]] static const bool ready = [] {
    static const qztest::TempDir folder("qz-fuzz");  // removed at exit
    ::setenv("QZ_SYSTEM_ROOT", folder.Path().c_str(), 1);
    win::ReloadMachine();
    return true;
  }();
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
