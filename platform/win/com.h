// The little of COM that the shell link object needs: interface
// identifiers, IUnknown, per-thread initialisation and object creation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/base/win_base.h"

namespace win {

using ULONG = uint32_t;
using LPOLESTR = char16_t*;
using LPCOLESTR = const char16_t*;

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

constexpr bool operator==(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}

inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct IUnknown {
  virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;  // objects end through Release
};

enum : DWORD {
  CLSCTX_INPROC_SERVER = 0x1,
  CLSCTX_INPROC_HANDLER = 0x2,
  CLSCTX_LOCAL_SERVER = 0x4,
  CLSCTX_ALL = 0x17,
};

inline constexpr HRESULT CO_E_NOTINITIALIZED = HRESULT(0x800401F0);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = HRESULT(0x80040154);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = HRESULT(0x80040110);

// S_OK for the first call on a thread, S_FALSE for each further one; every
// successful call is balanced by CoUninitialize.
HRESULT CoInitialize(void* pvReserved);
void CoUninitialize();

// Creates an object of a registered class (here: CLSID_ShellLink, an
// in-process server) and returns the requested interface. The thread must
// have initialised COM (CO_E_NOTINITIALIZED).
HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, void** ppv);

// Memory that COM calls hand to their caller (IPersistFile::GetCurFile).
void* CoTaskMemAlloc(size_t cb);
void CoTaskMemFree(void* pv);

// For tests: a shell whose link class is missing, so that CoCreateInstance
// fails with REGDB_E_CLASSNOTREG; registered again by passing true.
void SetShellLinkClassRegistered(bool registered);

}  // namespace win
