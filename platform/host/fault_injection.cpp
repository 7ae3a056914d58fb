#include "platform/host/fault_injection.h"

#include <array>
#include <atomic>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <string>

#include "platform/base/text.h"
#include "platform/host/host_file.h"
#include "platform/host/host_process.h"

namespace win::faults {
namespace {

constexpr size_t kOps = static_cast<size_t>(Op::count_);
constexpr uint64_t kUnlimited = std::numeric_limits<uint64_t>::max();

struct Armed {
  uint64_t first = 0;  // count at which failures start (0 = none armed)
  uint64_t last = 0;
  FileErrorKind kind = FileErrorKind::none;
};

constexpr std::string_view kOpNames[kOps] = {"open",   "read",          "write",    "close",        "rename",
                                              "remove", "createDirectory", "setAttributes", "registry", "processStart"};

// What the environment asks of a whole-program run; it outlives Reset.
struct NthOp {
  size_t op = kOps;  // none
  uint64_t n = 0;
  bool onward = false;  // the nth and every later one
  bool Is(size_t o, uint64_t count) const { return o == op && (onward ? count >= n : count == n); }
};

struct ProgramHooks {
  NthOp kill, fail;
  host::AppendOnlyFile trace;
  bool any() const { return kill.op != kOps || fail.op != kOps || trace.IsOpen(); }
};

// "<kind>:<n>" with n at least 1, or "<kind>:<n>+" for the nth on;
// anything else asks for nothing.
NthOp ParseNthOp(const char* text) {
  std::string_view setting = text ? text : "";
  size_t colon = setting.find(':');
  if (colon == std::string_view::npos) return {};
  std::optional<Op> op = OpNamed(setting.substr(0, colon));
  std::string count(setting.substr(colon + 1));
  const bool onward = !count.empty() && count.back() == '+';
  if (onward) count.pop_back();
  char* end = nullptr;
  unsigned long long n = std::strtoull(count.c_str(), &end, 10);
  if (!op || count.empty() || *end != '\0' || n == 0) return {};
  return {static_cast<size_t>(*op), n, onward};
}

ProgramHooks ReadProgramHooks() {
  ProgramHooks hooks;
  hooks.kill = ParseNthOp(std::getenv("QZ_FAULT_KILL"));
  hooks.fail = ParseNthOp(std::getenv("QZ_FAULT_FAIL"));
  if (const char* trace = std::getenv("QZ_FAULT_TRACE"); trace && *trace)
    hooks.trace = host::AppendOnlyFile(trace);
  return hooks;
}

struct Injector {
  std::mutex mutex;
  std::array<std::atomic<uint64_t>, kOps> counts{};
  std::array<Armed, kOps> armed{};
  std::atomic<bool> anyArmed{false};
  uint64_t writeBudget = kUnlimited;
  const ProgramHooks program = ReadProgramHooks();
};

Injector& Get() {
  static Injector* injector = new Injector;  // outlives every thread
  return *injector;
}

// One line per operation, written whole so that the two threads' lines
// never mix.
void Trace(Injector& in, size_t op, uint64_t n, std::u16string_view path) {
  std::string line = std::string(kOpNames[op]) + ' ' + std::to_string(n);
  if (!path.empty()) line += ' ' + win::WideToUtf8(path);
  line += '\n';
  std::lock_guard lock(in.mutex);
  in.program.trace.Append(line);
}

FileErrorKind RunProgramHooks(Injector& in, size_t op, uint64_t n, std::u16string_view path) {
  if (in.program.trace.IsOpen()) Trace(in, op, n, path);
  if (in.program.kill.Is(op, n)) host::KillSelf();
  return in.program.fail.Is(op, n) ? FileErrorKind::hardIO : FileErrorKind::none;
}

}  // namespace

std::optional<Op> OpNamed(std::string_view name) {
  for (size_t i = 0; i < kOps; ++i)
    if (kOpNames[i] == name) return static_cast<Op>(i);
  return std::nullopt;
}

std::string_view NameOf(Op op) { return kOpNames[static_cast<size_t>(op)]; }

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

FileErrorKind Check(Op op, std::u16string_view path) {
  Injector& in = Get();
  size_t i = static_cast<size_t>(op);
  uint64_t n = in.counts[i].fetch_add(1) + 1;
  if (in.program.any())
    if (FileErrorKind k = RunProgramHooks(in, i, n, path); k != FileErrorKind::none) return k;
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
