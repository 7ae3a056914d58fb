#include "platform/win/com.h"

#include <atomic>
#include <cstdlib>

#include "platform/win/shell_link.h"

namespace win {
namespace {

thread_local int initialisations = 0;
std::atomic<bool> shellLinkRegistered{true};

}  // namespace

HRESULT CoInitialize(void*) { return initialisations++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
  if (initialisations > 0) --initialisations;
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (initialisations == 0) return CO_E_NOTINITIALIZED;
  if (pUnkOuter) return CLASS_E_NOAGGREGATION;
  if (!(rclsid == CLSID_ShellLink) || !(dwClsContext & CLSCTX_INPROC_SERVER) || !shellLinkRegistered)
    return REGDB_E_CLASSNOTREG;
  return CreateShellLinkObject(riid, ppv);
}

void* CoTaskMemAlloc(size_t cb) { return std::malloc(cb ? cb : 1); }

void CoTaskMemFree(void* pv) { std::free(pv); }

void SetShellLinkClassRegistered(bool registered) { shellLinkRegistered = registered; }

}  // namespace win
