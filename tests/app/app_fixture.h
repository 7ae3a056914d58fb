// A fresh machine, the installer's resources and a clean install state for
// each test of the application, on the backend of the test's parameter.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QTest>

#include "app/setup_app.h"
#include "app/setup_dlg.h"
#include "base/install_state.h"
#include "desktop/registry_entries.h"
#include "engine/install_worker.h"
#include "res/installer_resources.h"
#include "res/resource.h"
#include "tests/platform/dialog/test_backends.h"
#include "tests/support/temp_machine.h"

namespace qztest {

// The build of the examples: "Jul 30 2020", "17:25:22".
inline std::u16string ExampleBuildDateLine() { return qz::BuildDateLine("Jul 30 2020", "17:25:22"); }
inline constexpr char16_t kExampleTitle[] = u"Installs Quenda Zorvel build date Jul 30 2020, 17:25:22 US Pacific";

inline void ResetInstallState() {
  qz::InstallState& state = qz::SharedInstallState();
  state.targetDirectory.clear();
  state.executableChoice = 0;
  state.updateInstall = 0;
  state.silentInstall = false;
  state.SetStatusText(u"");
  state.SetInstallDone(false);
}

// Waits for a worker that a test started, so that it never outlives the test.
inline bool WaitForInstallDone() {
  for (int i = 0; i < 2000 && !qz::SharedInstallState().InstallDone(); ++i) QTest::qWait(5);
  return qz::SharedInstallState().InstallDone();
}

class AppTest : public TempMachine {
 protected:
  void SetUp() override {
    TempMachine::SetUp();
    ::unsetenv("QZ_MACHINE_ARCH");
    qz::InitializeRegistryViewFlag();
    win::UseResources(qz::InstallerResources());
    ResetInstallState();
    qz::UseCatalogue(qz::PayloadCatalogue{});
  }
  void TearDown() override {
    SettleEvents();
    ResetInstallState();
    ::unsetenv("QZ_MACHINE_ARCH");
    qz::InitializeRegistryViewFlag();
    TempMachine::TearDown();
  }
};

class AppOnBackends : public AppTest, public ::testing::WithParamInterface<Backend> {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    UseBackend(GetParam());
  }
};

#define QZ_ON_BOTH_BACKENDS(suite)                                                                            \
  INSTANTIATE_TEST_SUITE_P(Backends, suite, ::testing::Values(qztest::Backend::console, qztest::Backend::qt), \
                           qztest::BackendName)

}  // namespace qztest
