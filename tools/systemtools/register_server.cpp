// The regsvr32 stand-in: the preview DLLs of the product are placeholders,
// so registering one only needs the file to be there.
#include <vector>

#include "platform/base/text.h"
#include "platform/host/file_system.h"
#include "platform/win/process.h"
#include "tools/systemtools/system_tools.h"

namespace qzsystemtools {
namespace {

constexpr int kBadUsage = 1;
constexpr int kModuleNotLoaded = 3;

struct Request {
  bool silent = false;
  bool unregister = false;
  std::vector<std::u16string> modules;
};

bool IsOption(std::u16string_view a) { return a.size() >= 2 && (a[0] == u'/' || a[0] == u'-'); }

bool ParseOption(std::u16string_view option, Request* request) {
  std::u16string name;
  for (char16_t c : option.substr(1)) name += win::FoldAsciiLower(c);
  if (name == u"s") request->silent = true;
  else if (name == u"u") request->unregister = true;
  else if (name == u"n" || name == u"c" || name == u"i" || name.rfind(u"i:", 0) == 0) return true;
  else return false;
  return true;
}

}  // namespace

int RunRegisterServer(std::u16string_view arguments) {
  std::vector<std::u16string> args = win::CommandLineToArguments(u"regsvr32 " + std::u16string(arguments));
  Request request;
  for (size_t i = 1; i < args.size(); ++i) {
    if (!IsOption(args[i])) {
      request.modules.push_back(args[i]);
    } else if (!ParseOption(args[i], &request)) {
      Complain(u"regsvr32: unknown option " + args[i]);
      return kBadUsage;
    }
  }
  if (request.modules.empty()) {
    if (!request.silent) Complain(u"regsvr32: no DLL name was given. Usage: regsvr32 [/u] [/s] dllname");
    return kBadUsage;
  }
  int exitCode = 0;
  for (const std::u16string& module : request.modules) {
    std::u16string entry = request.unregister ? u"DllUnregisterServer" : u"DllRegisterServer";
    if (!win::IsRegularFile(module)) {
      if (!request.silent)
        Complain(u"regsvr32: the module \"" + module + u"\" failed to load: the specified module could not be found.");
      if (exitCode == 0) exitCode = kModuleNotLoaded;
    } else if (!request.silent) {
      Complain(entry + u" in " + module + u" succeeded.");
    }
  }
  return exitCode;
}

}  // namespace qzsystemtools
