// The shell link object (CLSID_ShellLink): IShellLinkW to set a shortcut's
// target, working directory, description and arguments, and IPersistFile to
// save it as a ".lnk" file (shell_link_file.h) or load one.
#pragma once

#include "platform/win/com.h"

namespace win {

inline constexpr CLSID CLSID_ShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IShellLinkW = {0x000214F9, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IPersist = {0x0000010C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

inline constexpr DWORD INFOTIPSIZE = 1024;
inline constexpr DWORD STGM_READ = 0;

struct WIN32_FIND_DATAW;  // not filled in: GetPath takes a null pointer for it

// Every text a getter returns must fit into its buffer with the NUL:
// otherwise the buffer holds an empty text and the result is
// HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER).
struct IShellLinkW : IUnknown {
  // S_FALSE and an empty text when no target is set.
  virtual HRESULT GetPath(LPWSTR pszFile, int cch, WIN32_FIND_DATAW* pfd, DWORD fFlags) = 0;
  virtual HRESULT GetDescription(LPWSTR pszName, int cch) = 0;
  // E_INVALIDARG for a null text or one of INFOTIPSIZE characters or more.
  virtual HRESULT SetDescription(LPCWSTR pszName) = 0;
  virtual HRESULT GetWorkingDirectory(LPWSTR pszDir, int cch) = 0;
  // Kept as given; E_INVALIDARG for a null text or one of MAX_PATH
  // characters or more.
  virtual HRESULT SetWorkingDirectory(LPCWSTR pszDir) = 0;
  virtual HRESULT GetArguments(LPWSTR pszArgs, int cch) = 0;
  virtual HRESULT SetArguments(LPCWSTR pszArgs) = 0;
  // The target, made a full path against the current directory; the
  // target's attributes, size and time are taken now (a missing target is
  // allowed). E_INVALIDARG for a null, empty or invalid path,
  // HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE) for a full path of
  // MAX_PATH characters or more.
  virtual HRESULT SetPath(LPCWSTR pszFile) = 0;

 protected:
  ~IShellLinkW() = default;
};

struct IPersist : IUnknown {
  virtual HRESULT GetClassID(CLSID* pClassID) = 0;

 protected:
  ~IPersist() = default;
};

struct IPersistFile : IPersist {
  // S_OK when there are changes since the last save or load, else S_FALSE.
  virtual HRESULT IsDirty() = 0;
  // Reads a link file; E_FAIL for a file that is not a well-formed link.
  virtual HRESULT Load(LPCOLESTR pszFileName, DWORD dwMode) = 0;
  // Writes the link file (null: the current file), replacing an existing
  // one in a single step; with fRemember the name becomes the current file.
  // Failures come as HRESULT_FROM_WIN32 of the file error.
  virtual HRESULT Save(LPCOLESTR pszFileName, BOOL fRemember) = 0;
  virtual HRESULT SaveCompleted(LPCOLESTR pszFileName) = 0;
  // The current file in memory from CoTaskMemAlloc; S_FALSE and null
  // when there is none.
  virtual HRESULT GetCurFile(LPOLESTR* ppszFileName) = 0;

 protected:
  ~IPersistFile() = default;
};

// The class factory of CLSID_ShellLink, used by CoCreateInstance.
HRESULT CreateShellLinkObject(REFIID riid, void** ppv);

}  // namespace win
