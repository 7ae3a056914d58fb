#include "platform/host/gzip_reader.h"

#include <cerrno>
#include <cstring>

#include "platform/base/text.h"
#include "platform/host/fault_injection.h"
#include "platform/host/machine.h"
#include "platform/host/machine_internal.h"

namespace win {

namespace {
// Larger than zlib's default so that a member is read in few system calls.
constexpr unsigned kInputBuffer = 64 * 1024;
}  // namespace

GzipReader::GzipReader(GzipReader&& other) noexcept
    : file_(other.file_), path_(std::move(other.path_)), injectedError_(std::move(other.injectedError_)) {
  other.file_ = nullptr;
}

GzipReader& GzipReader::operator=(GzipReader&& other) noexcept {
  if (this != &other) {
    if (file_) gzclose(file_);
    file_ = other.file_;
    path_ = std::move(other.path_);
    injectedError_ = std::move(other.injectedError_);
    other.file_ = nullptr;
  }
  return *this;
}

GzipReader::~GzipReader() {
  if (file_) gzclose(file_);
}

GzipReader GzipReader::Open(std::u16string_view path) {
  GzipReader reader;
  if (faults::Check(faults::Op::open, path) != FileErrorKind::none) return reader;
  // The file is opened by the layer, which finds it as every other open does.
  int fd = OpenHostForReading(path);
  if (fd < 0) return reader;
  reader.file_ = gzdopen(fd, "rb");
  if (!reader.file_) {
    CloseHostDescriptor(fd);
    return reader;
  }
  gzbuffer(reader.file_, kInputBuffer);
  reader.path_ = path;
  return reader;
}

int GzipReader::Read(void* buffer, unsigned size) {
  if (!file_) return -1;
  if (faults::Check(faults::Op::read) != FileErrorKind::none) {
    injectedError_ = path_ + u": read error";
    return -1;
  }
  return gzread(file_, buffer, size);
}

std::u16string GzipReader::ErrorText() const {
  if (!injectedError_.empty()) return injectedError_;
  if (!file_) return path_ + u": not open";
  int code = Z_OK;
  const char* message = gzerror(file_, &code);
  std::string text = message ? message : "";
  // zlib prefixes its description with the host path it was opened on.
  if (size_t colon = text.find(": "); colon != std::string::npos) text = text.substr(colon + 2);
  if (code == Z_ERRNO) text = std::strerror(errno);
  return path_ + u": " + Utf8ToWide(text);
}

bool GzipReader::Close() {
  if (!file_) return false;
  FileErrorKind injected = faults::Check(faults::Op::close);
  int rc = gzclose(file_);
  file_ = nullptr;
  return rc == Z_OK && injected == FileErrorKind::none;
}

}  // namespace win
