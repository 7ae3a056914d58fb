#include "tests/support/temp_machine.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "platform/host/fault_injection.h"
#include "platform/host/machine.h"
#include "platform/win/runtime.h"

namespace qztest {
namespace fs = std::filesystem;

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteHostFile(const std::string& path, const std::string& contents) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(contents.data(), std::streamsize(contents.size()));
}

void TempMachine::SetUp() {
  folder_.emplace("qz-machine");
  root_ = folder_->Path();
  ::setenv("QZ_SYSTEM_ROOT", root_.c_str(), 1);
  ::unsetenv("TMP");
  ::unsetenv("TEMP");
  win::ReloadMachine();
  win::faults::Reset();
  win::SetApplicationTitle(u"QuendaZorvelSetup");
  win::SetMessageBoxHandler([this](const win::MessageBoxRequest& r) {
    std::lock_guard lock(mutex_);
    messages_.push_back(r);
    return (r.type & 0xF) == win::MB_YESNO ? answer_ : win::IDOK;
  });
  win::SetSleepHook([this](unsigned ms) {
    std::lock_guard lock(mutex_);
    sleeps_.push_back(ms);
  });
}

void TempMachine::TearDown() {
  for (const char* name : {"TMP", "TEMP", "COMSPEC"}) ::unsetenv(name);
  win::SetMessageBoxHandler(nullptr);
  win::SetSleepHook(nullptr);
  win::faults::Reset();
  folder_.reset();
}

std::string TempMachine::Host(std::u16string_view windowsPath) const { return win::HostPath(windowsPath); }

void TempMachine::PutFile(std::u16string_view windowsPath, const std::string& contents) const {
  WriteHostFile(Host(windowsPath), contents);
}

std::string TempMachine::GetFile(std::u16string_view windowsPath) const { return ReadHostFile(Host(windowsPath)); }

bool TempMachine::HostExists(std::u16string_view windowsPath) const {
  struct stat st;
  return ::lstat(Host(windowsPath).c_str(), &st) == 0;
}

std::vector<win::MessageBoxRequest> TempMachine::Messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::vector<std::u16string> TempMachine::MessageTexts() const {
  std::lock_guard lock(mutex_);
  std::vector<std::u16string> texts;
  for (const auto& m : messages_) texts.push_back(m.text);
  return texts;
}

std::vector<unsigned> TempMachine::Sleeps() const {
  std::lock_guard lock(mutex_);
  return sleeps_;
}

}  // namespace qztest
