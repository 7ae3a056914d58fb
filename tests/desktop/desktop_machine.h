// The emulated machine for the desktop integration's tests: an installation
// directory in the shared install state, the desktop hooks installed, and
// switches for the machine's architecture, Windows version and elevation.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/install_state.h"
#include "desktop/registry_entries.h"
#include "platform/base/text.h"
#include "platform/host/machine.h"
#include "platform/win/journal.h"
#include "platform/win/registry.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_machine.h"

namespace qztest {

inline const std::u16string kProductDir = u"C:\\Program Files\\Ombra\\QuendaZorvel";

class DesktopMachine : public TempMachine {
 protected:
  void SetUp() override {
    TempMachine::SetUp();
    PrepareInstallation();
  }

  void TearDown() override {
    env_.Restore();
    qz::SharedInstallState().targetDirectory.clear();
    qz::SharedInstallState().executableChoice = 0;
    TempMachine::TearDown();
    qz::InitializeRegistryViewFlag();
  }

  // Starts again on a fresh machine (the variables set stay set).
  void FreshMachine() {
    TempMachine::TearDown();
    TempMachine::SetUp();
    PrepareInstallation();
  }

  // Sets a host variable for this test; a null value unsets it.
  void SetEnv(const char* name, const char* value) { env_.Set(name, value); }

  // A fresh machine of the architecture ("AMD64" or "x86"): its registry
  // views are laid out anew and the view flag follows.
  void UseArchitecture(const char* architecture) {
    SetEnv("QZ_MACHINE_ARCH", architecture);
    std::remove((root_ + "/registry.reg").c_str());
    win::ReloadMachine();
    qz::InitializeRegistryViewFlag();
  }

  static void UseInstallation(const std::u16string& directory, int executableChoice) {
    qz::SharedInstallState().targetDirectory = directory;
    qz::SharedInstallState().executableChoice = executableChoice;
  }

  // The journal's lines as "program|arguments|exit code|directory".
  static std::vector<std::string> Journal() {
    std::vector<std::string> lines;
    for (const win::JournalEntry& e : win::ReadJournal())
      lines.push_back(win::WideToUtf8(e.program + u"|" + e.arguments + u"|") + std::to_string(e.exitCode) + "|" +
                      win::WideToUtf8(e.directory));
    return lines;
  }

  std::string RegistryFile() const { return ReadHostFile(root_ + "/registry.reg"); }

 private:
  // The installation directory as the install worker leaves it.
  void PrepareInstallation() {
    std::filesystem::create_directories(Host(kProductDir));
    UseInstallation(kProductDir, 1);
    qz::InitializeRegistryViewFlag();
  }

  ScopedEnv env_;
};

// UTF-8 of a wide text, for messages and comparisons with host bytes.
inline std::string U8(std::u16string_view text) { return win::WideToUtf8(text); }

// Creates the key (and its path) with a string value of the given type;
// an empty value name is the default value.
inline void PutRegistryText(win::HKEY root, const std::u16string& key, const std::u16string& name,
                            const std::u16string& text, win::DWORD type = win::REG_SZ, win::REGSAM view = 0) {
  win::HKEY handle = nullptr;
  ASSERT_EQ(win::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, win::KEY_SET_VALUE | view, nullptr, &handle, nullptr),
            win::ERROR_SUCCESS)
      << U8(key);
  ASSERT_EQ(win::RegSetValueExW(handle, name.c_str(), 0, type, reinterpret_cast<const win::BYTE*>(text.c_str()),
                                win::DWORD((text.size() + 1) * 2)),
            win::ERROR_SUCCESS);
  win::RegCloseKey(handle);
}

inline void PutRegistryKey(win::HKEY root, const std::u16string& key, win::REGSAM view = 0) {
  win::HKEY handle = nullptr;
  ASSERT_EQ(win::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, view, nullptr, &handle, nullptr),
            win::ERROR_SUCCESS)
      << U8(key);
  win::RegCloseKey(handle);
}

inline bool RegistryKeyExists(win::HKEY root, const std::u16string& key, win::REGSAM view = 0) {
  win::HKEY handle = nullptr;
  if (win::RegOpenKeyExW(root, key.c_str(), 0, win::KEY_QUERY_VALUE | view, &handle) != win::ERROR_SUCCESS)
    return false;
  win::RegCloseKey(handle);
  return true;
}

}  // namespace qztest
