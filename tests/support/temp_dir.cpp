#include "tests/support/temp_dir.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

namespace qztest {

std::string HostTempFolder() {
  const char* dir = std::getenv("TMPDIR");
  return dir && *dir ? dir : "/tmp";
}

TempDir::TempDir(std::string_view prefix, Place place) {
  std::string parent = place == Place::memory && ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : HostTempFolder();
  std::string templ = parent + "/" + std::string(prefix) + "-XXXXXX";
  if (!::mkdtemp(templ.data())) throw std::system_error(errno, std::generic_category(), "mkdtemp " + templ);
  path_ = std::move(templ);
}

TempDir::~TempDir() { Remove(); }

TempDir::TempDir(TempDir&& other) noexcept : path_(std::exchange(other.path_, {})) {}

TempDir& TempDir::operator=(TempDir&& other) noexcept {
  if (this != &other) {
    Remove();
    path_ = std::exchange(other.path_, {});
  }
  return *this;
}

void TempDir::Remove() noexcept {
  if (path_.empty()) return;
  // Read-only files go too: only the folders' permissions count, and a
  // failure here must not end a test that has already said what it found.
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
  path_.clear();
}

}  // namespace qztest
