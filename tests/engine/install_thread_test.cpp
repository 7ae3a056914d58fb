#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "base/file_helpers.h"
#include "engine/install_worker.h"
#include "platform/base/text.h"
#include "platform/host/thread.h"
#include "tests/support/temp_machine.h"
#include "tests/support/test_catalogue.h"

namespace {

class InstallThread : public qztest::TempMachine {};

// The dialog's side of the worker: polls the status line while the worker
// runs on its own thread. Run under ThreadSanitizer, this shows that the
// shared state is the only thing the two threads touch and that it is safe.
TEST_F(InstallThread, StatusLinesAreWholeAndDoneMeansEveryFileIsThere) {
  qztest::TestCatalogue catalogue;
  for (int i = 0; i < 200; ++i) catalogue.Add(".\\lib\\f" + std::to_string(1000 + i) + ".txt", std::string(1500 + i, 'x'), i % 2);
  qz::UseCatalogue(catalogue.Catalogue());
  qz::InstallState& state = qz::SharedInstallState();
  state.targetDirectory = u"C:\\Q";
  state.executableChoice = 1;
  state.updateInstall = 0;
  state.SetInstallDone(false);
  state.SetStatusText(u"");  // an earlier test's last line is not this worker's
  ASSERT_TRUE(win::BeginThread(qz::InstallWorker, nullptr));
  size_t polls = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!state.InstallDone() && std::chrono::steady_clock::now() < deadline) {
    std::u16string status = state.StatusText();
    if (!status.empty()) {
      EXPECT_TRUE(status.starts_with(u"Extracting: .\\lib\\f")) << win::WideToUtf8(status);
      EXPECT_TRUE(status.ends_with(u".txt.gz\n")) << win::WideToUtf8(status);
    }
    ++polls;
    std::this_thread::yield();
  }
  ASSERT_TRUE(state.InstallDone());
  for (int i = 0; i < 200; ++i)
    EXPECT_EQ(GetFile(u"C:\\Q\\lib\\f" + win::Utf8ToWide(std::to_string(1000 + i)) + u".txt"),
              std::string(1500 + i, 'x'));
  EXPECT_GT(polls, 0u);
  qz::UseCatalogue({});
}

}  // namespace
