// A fresh emulated machine in a temporary folder for each test, with the
// message boxes recorded instead of shown and pauses recorded instead of
// slept.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/win/message_box.h"
#include "tests/support/temp_dir.h"

namespace qztest {

class TempMachine : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The host path of a Windows path on the machine.
  std::string Host(std::u16string_view windowsPath) const;
  // Writes or reads a whole file through the host, outside the layer.
  void PutFile(std::u16string_view windowsPath, const std::string& contents) const;
  std::string GetFile(std::u16string_view windowsPath) const;
  bool HostExists(std::u16string_view windowsPath) const;

  std::vector<win::MessageBoxRequest> Messages() const;
  std::vector<std::u16string> MessageTexts() const;
  std::vector<unsigned> Sleeps() const;
  // The answer that recorded Yes/No questions get.
  void AnswerQuestions(int answer) { answer_ = answer; }

  std::string root_;

 private:
  std::optional<TempDir> folder_;
  mutable std::mutex mutex_;
  std::vector<win::MessageBoxRequest> messages_;
  std::vector<unsigned> sleeps_;
  int answer_ = win::IDYES;
};

// Reads a host file whole; empty when it is missing.
std::string ReadHostFile(const std::string& path);
void WriteHostFile(const std::string& path, const std::string& contents);

}  // namespace qztest
