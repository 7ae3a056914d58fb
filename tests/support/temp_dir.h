// A new empty folder for one test or one run, removed with everything in it
// when the object goes.
#pragma once

#include <string>
#include <string_view>

namespace qztest {

class TempDir {
 public:
  // Where the folder lives: the host's temporary folder, or memory where the
  // host has a writable memory file system (for runs that sync every save,
  // which would take minutes on a disk); memory falls back to the host's.
  enum class Place { host, memory };

  // Named "<prefix>-" and six random characters; throws std::system_error
  // when it cannot be made.
  explicit TempDir(std::string_view prefix = "qz", Place place = Place::host);
  ~TempDir();
  TempDir(TempDir&& other) noexcept;
  TempDir& operator=(TempDir&& other) noexcept;
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  // A path below the folder; nothing is made.
  std::string Path(std::string_view relative) const { return path_ + "/" + std::string(relative); }

 private:
  void Remove() noexcept;
  std::string path_;
};

// The host's temporary folder: TMPDIR, else /tmp. Never TMP or TEMP, which
// belong to the emulated Windows and may hold Windows paths a test set.
std::string HostTempFolder();

}  // namespace qztest
