// zlib's gzip-file reader opened on a path of the emulated machine.
#pragma once

#include <zlib.h>

#include <string>
#include <string_view>

namespace win {

class GzipReader {
 public:
  GzipReader() = default;
  GzipReader(GzipReader&& other) noexcept;
  GzipReader& operator=(GzipReader&& other) noexcept;
  GzipReader(const GzipReader&) = delete;
  GzipReader& operator=(const GzipReader&) = delete;
  ~GzipReader();

  // gzopen for reading; a failed open leaves the reader closed.
  [[nodiscard]] static GzipReader Open(std::u16string_view path);

  bool IsOpen() const { return file_ != nullptr; }
  explicit operator bool() const { return IsOpen(); }

  // gzread: the decompressed bytes read, 0 at the end of the data, negative on an error.
  int Read(void* buffer, unsigned size);
  // gzerror, naming the file by its Windows path: "<path>: <zlib's description>".
  std::u16string ErrorText() const;
  // gzclose; false when it reports an error.
  bool Close();

 private:
  gzFile file_ = nullptr;
  std::u16string path_;
  std::u16string injectedError_;
};

}  // namespace win
