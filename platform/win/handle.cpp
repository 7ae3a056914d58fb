#include "platform/win/handle.h"

#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <optional>
#include <vector>

namespace win {
namespace handles {

struct ProcessState {
  std::mutex mutex;
  host::ProcessId pid = -1;  // -1: no host process
  bool ended = false;
  DWORD exitCode = STILL_ACTIVE;
  DWORD id = 0;

  // Collects the host process when it has ended (or waits for it to end).
  // Called with the mutex held.
  void Poll(bool block) {
    if (ended) return;
    std::optional<DWORD> code = host::CollectExitCode(pid, block);
    if (!code) return;
    ended = true;
    exitCode = *code;
  }
};

}  // namespace handles

namespace {

using handles::ProcessState;
using handles::TokenState;

enum class Kind { process, thread, token };

struct Entry {
  Kind kind;
  std::shared_ptr<ProcessState> process;
  std::shared_ptr<const TokenState> token;
};

struct Table {
  std::mutex mutex;
  std::map<uintptr_t, Entry> entries;
  uintptr_t next = 0x100;
  std::vector<std::shared_ptr<ProcessState>> orphans;
};

Table& Handles() {
  static Table* table = new Table;  // used until _exit
  return *table;
}

HANDLE Insert(Entry entry) {
  Table& t = Handles();
  std::lock_guard lock(t.mutex);
  uintptr_t value = t.next;
  t.next += 4;
  t.entries.emplace(value, std::move(entry));
  return reinterpret_cast<HANDLE>(value);
}

std::optional<Entry> Find(HANDLE handle) {
  Table& t = Handles();
  std::lock_guard lock(t.mutex);
  auto it = t.entries.find(reinterpret_cast<uintptr_t>(handle));
  if (it == t.entries.end()) return std::nullopt;
  return it->second;
}

const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(~uintptr_t(0));

std::shared_ptr<ProcessState> FindProcess(HANDLE handle) {
  std::optional<Entry> entry = Find(handle);
  if (!entry || entry->kind == Kind::token) return nullptr;
  return entry->process;
}

bool HasEnded(const std::shared_ptr<ProcessState>& process) {
  std::lock_guard lock(process->mutex);
  process->Poll(false);
  return process->ended;
}

}  // namespace

HANDLE GetCurrentProcess() { return kCurrentProcess; }

BOOL CloseHandle(HANDLE hObject) {
  if (hObject == kCurrentProcess) return TRUE;
  Table& t = Handles();
  std::shared_ptr<ProcessState> process;
  {
    std::lock_guard lock(t.mutex);
    auto it = t.entries.find(reinterpret_cast<uintptr_t>(hObject));
    if (it == t.entries.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    process = std::move(it->second.process);
    t.entries.erase(it);
  }
  // The last handle of a running host process: collect it later.
  if (process && process.use_count() == 1 && !HasEnded(process)) {
    std::lock_guard lock(t.mutex);
    t.orphans.push_back(std::move(process));
  }
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  std::shared_ptr<ProcessState> process = FindProcess(hHandle);
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  if (dwMilliseconds == INFINITE) {
    handles::WaitForExit(process);
    return WAIT_OBJECT_0;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(dwMilliseconds);
  while (!HasEnded(process)) {
    if (std::chrono::steady_clock::now() >= deadline) return WAIT_TIMEOUT;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return WAIT_OBJECT_0;
}

BOOL GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) {
  std::optional<Entry> entry = Find(hProcess);
  if (!entry || entry->kind != Kind::process || !lpExitCode) {
    SetLastError(entry ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard lock(entry->process->mutex);
  entry->process->Poll(false);
  *lpExitCode = entry->process->exitCode;
  return TRUE;
}

size_t OpenHandleCount() {
  Table& t = Handles();
  std::lock_guard lock(t.mutex);
  return t.entries.size();
}

namespace handles {

std::shared_ptr<ProcessState> HostProcess(host::ProcessId pid, DWORD id) {
  auto p = std::make_shared<ProcessState>();
  p->pid = pid;
  p->id = id;
  return p;
}

std::shared_ptr<ProcessState> EndedProcess(DWORD exitCode, DWORD id) {
  auto p = std::make_shared<ProcessState>();
  p->ended = true;
  p->exitCode = exitCode;
  p->id = id;
  return p;
}

HANDLE NewProcessHandle(std::shared_ptr<ProcessState> process) {
  return Insert(Entry{Kind::process, std::move(process), nullptr});
}

HANDLE NewThreadHandle(std::shared_ptr<ProcessState> process) {
  return Insert(Entry{Kind::thread, std::move(process), nullptr});
}

DWORD ProcessIdOf(const std::shared_ptr<ProcessState>& process) { return process->id; }

DWORD WaitForExit(const std::shared_ptr<ProcessState>& process) {
  std::lock_guard lock(process->mutex);
  process->Poll(true);
  return process->exitCode;
}

HANDLE NewTokenHandle(DWORD access) {
  auto token = std::make_shared<TokenState>();
  token->access = access;
  return Insert(Entry{Kind::token, nullptr, std::move(token)});
}

std::shared_ptr<const TokenState> FindToken(HANDLE handle) {
  std::optional<Entry> entry = Find(handle);
  if (!entry || entry->kind != Kind::token) return nullptr;
  return entry->token;
}

void ReapOrphans() {
  Table& t = Handles();
  std::vector<std::shared_ptr<ProcessState>> orphans;
  {
    std::lock_guard lock(t.mutex);
    orphans.swap(t.orphans);
  }
  std::vector<std::shared_ptr<ProcessState>> running;
  for (auto& p : orphans)
    if (!HasEnded(p)) running.push_back(std::move(p));
  std::lock_guard lock(t.mutex);
  for (auto& p : running) t.orphans.push_back(std::move(p));
}

}  // namespace handles
}  // namespace win
