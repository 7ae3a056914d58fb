// The installer's entry: the application object, the embedded payload and
// resources, and the framework's start on the window system or the console.
#include "app/setup_app.h"
#include "desktop/registry_entries.h"
#include "engine/install_worker.h"
#include "payload/embedded_catalogue.h"
#include "platform/qt/dialog_qt.h"
#include "res/installer_resources.h"

qz::CSetUpApp theApp;

int main(int argc, char** argv) {
  qz::InitializeRegistryViewFlag();
  qz::UseCatalogue(qz::EmbeddedCatalogue());
  win::UseResources(qz::InstallerResources());
  win::AfxWinMain(argc, argv, win::CreateQtBackend);
}
