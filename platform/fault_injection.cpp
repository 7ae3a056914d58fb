#include "platform/fault_injection.h"

#include <array>
#include <atomic>
#include <limits>
#include <mutex>

namespace win::faults {
namespace {

constexpr size_t kOps = static_cast<size_t>(Op::count_);
constexpr uint64_t kUnlimited = std::numeric_limits<uint64_t>::max();

struct Armed {
  uint64_t first = 0;  // count at which failures start (0 = none armed)
  uint64_t last = 0;
  FileErrorKind kind = FileErrorKind::none;
};

struct Injector {
  std::mutex mutex;
  std::array<std::atomic<uint64_t>, kOps> counts{};
  std::array<Armed, kOps> armed{};
  std::atomic<bool> anyArmed{false};
  uint64_t writeBudget = kUnlimited;
};

Injector& Get() {
  static Injector* injector = new Injector;  // outlives every thread
  return *injector;
}

}  // namespace

void FailNth(Op op, uint64_t nth, FileErrorKind kind, uint64_t times) {
  Injector& in = Get();
  std::lock_guard lock(in.mutex);
  size_t i = static_cast<size_t>(op);
  uint64_t now = in.counts[i].load();
  in.armed[i] = {now + nth, now + nth + times - 1, kind};
  in.anyArmed = true;
}

void ShortWritesAfter(uint64_t bytes) {
  Injector& in = Get();
  std::lock_guard lock(in.mutex);
  in.writeBudget = bytes;
  in.anyArmed = true;
}

void Reset() {
  Injector& in = Get();
  std::lock_guard lock(in.mutex);
  for (auto& c : in.counts) c = 0;
  in.armed = {};
  in.writeBudget = kUnlimited;
  in.anyArmed = false;
}

uint64_t Count(Op op) { return Get().counts[static_cast<size_t>(op)].load(); }

FileErrorKind Check(Op op) {
  Injector& in = Get();
  size_t i = static_cast<size_t>(op);
  uint64_t n = in.counts[i].fetch_add(1) + 1;
  if (!in.anyArmed.load(std::memory_order_relaxed)) return FileErrorKind::none;
  std::lock_guard lock(in.mutex);
  const Armed& a = in.armed[i];
  if (a.first != 0 && n >= a.first && n <= a.last) return a.kind;
  return FileErrorKind::none;
}

uint64_t AllowedWrite(uint64_t bytes) {
  Injector& in = Get();
  if (!in.anyArmed.load(std::memory_order_relaxed)) return bytes;
  std::lock_guard lock(in.mutex);
  if (in.writeBudget == kUnlimited) return bytes;
  uint64_t allowed = bytes < in.writeBudget ? bytes : in.writeBudget;
  in.writeBudget -= allowed;
  return allowed;
}

void RefundWrite(uint64_t bytes) {
  Injector& in = Get();
  if (!in.anyArmed.load(std::memory_order_relaxed) || bytes == 0) return;
  std::lock_guard lock(in.mutex);
  if (in.writeBudget != kUnlimited) in.writeBudget += bytes;
}

}  // namespace win::faults
