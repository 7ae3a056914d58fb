#include "platform/win/shell_link.h"

#include <algorithm>
#include <atomic>
#include <string>

#include "platform/host/file_system.h"
#include "platform/host/machine.h"
#include "platform/win/shell_link_file.h"

namespace win {
namespace {

constexpr DWORD kMaxArgumentsLength = 32767;
constexpr uint64_t kFileTimeOf1970 = 116444736000000000ull;  // 100 ns units from 1601

HRESULT CopyText(const std::u16string& text, LPWSTR buffer, int cch) {
  if (!buffer || cch <= 0) return E_INVALIDARG;
  if (size_t(cch) <= text.size()) {
    buffer[0] = u'\0';
    return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  }
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = u'\0';
  return S_OK;
}

HRESULT FileResult(const FileError& error) { return HRESULT_FROM_WIN32(Win32ErrorOf(error.kind)); }

std::u16string FolderOf(std::u16string_view fullPath) {
  return std::u16string(fullPath.substr(0, fullPath.rfind(u'\\') + 1));
}

class ShellLink final : public IShellLinkW, public IPersistFile {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IShellLinkW)
      *ppv = static_cast<IShellLinkW*>(this);
    else if (riid == IID_IPersistFile || riid == IID_IPersist)
      *ppv = static_cast<IPersistFile*>(this);
    else {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT GetPath(LPWSTR pszFile, int cch, WIN32_FIND_DATAW*, DWORD) override {
    HRESULT hr = CopyText(link_.targetPath, pszFile, cch);
    return hr == S_OK && link_.targetPath.empty() ? S_FALSE : hr;
  }
  HRESULT GetDescription(LPWSTR pszName, int cch) override { return CopyText(link_.description, pszName, cch); }
  HRESULT SetDescription(LPCWSTR pszName) override { return SetText(pszName, INFOTIPSIZE, &link_.description); }
  HRESULT GetWorkingDirectory(LPWSTR pszDir, int cch) override {
    return CopyText(link_.workingDirectory, pszDir, cch);
  }
  HRESULT SetWorkingDirectory(LPCWSTR pszDir) override { return SetText(pszDir, MAX_PATH, &link_.workingDirectory); }
  HRESULT GetArguments(LPWSTR pszArgs, int cch) override { return CopyText(link_.arguments, pszArgs, cch); }
  HRESULT SetArguments(LPCWSTR pszArgs) override { return SetText(pszArgs, kMaxArgumentsLength, &link_.arguments); }

  HRESULT SetPath(LPCWSTR pszFile) override {
    if (!pszFile || !*pszFile) return E_INVALIDARG;
    std::u16string full = FullWindowsPath(pszFile);
    if (full.empty()) return E_INVALIDARG;
    if (full.size() >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    link_.targetPath = full;
    link_.fileAttributes = 0;
    link_.fileSize = 0;
    link_.writeTime = 0;
    if (std::optional<FileStatus> status = GetFileStatus(full)) {
      link_.fileAttributes = status->isDirectory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
      if (status->readOnly) link_.fileAttributes |= FILE_ATTRIBUTE_READONLY;
      link_.fileSize = uint32_t(status->size);
      link_.writeTime = kFileTimeOf1970 + uint64_t(status->modifiedSeconds) * 10000000ull;
    }
    dirty_ = true;
    return S_OK;
  }

  HRESULT GetClassID(CLSID* pClassID) override {
    if (!pClassID) return E_POINTER;
    *pClassID = CLSID_ShellLink;
    return S_OK;
  }
  HRESULT IsDirty() override { return dirty_ ? S_OK : S_FALSE; }

  HRESULT Load(LPCOLESTR pszFileName, DWORD) override {
    if (!pszFileName) return E_INVALIDARG;
    std::vector<uint8_t> bytes;
    if (HRESULT hr = ReadWholeFile(pszFileName, &bytes); FAILED(hr)) return hr;
    std::optional<ShellLinkData> link = DecodeShellLink(bytes, nullptr);
    if (!link) return E_FAIL;
    link_ = std::move(*link);
    currentFile_ = FullWindowsPath(pszFileName);
    dirty_ = false;
    return S_OK;
  }

  HRESULT Save(LPCOLESTR pszFileName, BOOL fRemember) override {
    std::u16string target = pszFileName ? FullWindowsPath(pszFileName) : currentFile_;
    if (target.empty()) return E_INVALIDARG;
    if (HRESULT hr = WriteLinkFile(target); FAILED(hr)) return hr;
    if (fRemember || !pszFileName) {
      currentFile_ = target;
      dirty_ = false;
    }
    return S_OK;
  }
  HRESULT SaveCompleted(LPCOLESTR) override { return S_OK; }
  HRESULT GetCurFile(LPOLESTR* ppszFileName) override {
    if (!ppszFileName) return E_POINTER;
    *ppszFileName = nullptr;
    if (currentFile_.empty()) return S_FALSE;
    auto* copy = static_cast<char16_t*>(CoTaskMemAlloc((currentFile_.size() + 1) * sizeof(char16_t)));
    if (!copy) return E_OUTOFMEMORY;
    std::copy(currentFile_.begin(), currentFile_.end(), copy);
    copy[currentFile_.size()] = u'\0';
    *ppszFileName = copy;
    return S_OK;
  }

 private:
  ~ShellLink() = default;

  HRESULT SetText(LPCWSTR text, DWORD limit, std::u16string* field) {
    if (!text) return E_INVALIDARG;
    std::u16string value(text);
    if (value.size() >= limit) return E_INVALIDARG;
    *field = std::move(value);
    dirty_ = true;
    return S_OK;
  }

  static HRESULT ReadWholeFile(std::u16string_view path, std::vector<uint8_t>* bytes) {
    File file = File::Open(path, OpenMode::read);
    if (!file) return FileResult(file.Error());
    std::optional<uint64_t> size = file.Size();
    if (!size) return FileResult(file.Error());
    bytes->resize(size_t(*size));
    if (file.Read(bytes->data(), bytes->size()) != bytes->size()) return FileResult(file.Error());
    return S_OK;
  }

  // Writes beside the link and renames over it, so that a failed save
  // leaves an existing link as it was.
  HRESULT WriteLinkFile(const std::u16string& path) {
    std::vector<uint8_t> bytes = EncodeShellLink(link_);
    std::u16string temporary;
    File file = CreateTemporaryFile(&temporary, FolderOf(path));
    if (!file) return FileResult(file.Error());
    bool written = file.Write(bytes.data(), bytes.size()) == bytes.size();
    FileError error = file.Error();
    if (!file.Close() && written) {
      written = false;
      error = file.Error();
    }
    if (written) error = RenameFile(temporary, path, true);
    if (!written || error) {
      RemoveFile(temporary);
      return FileResult(error.kind == FileErrorKind::none ? FileError{FileErrorKind::generic, 0} : error);
    }
    return S_OK;
  }

  std::atomic<ULONG> references_{1};
  ShellLinkData link_;
  std::u16string currentFile_;
  bool dirty_ = false;
};

}  // namespace

HRESULT CreateShellLinkObject(REFIID riid, void** ppv) {
  auto* link = new ShellLink;
  HRESULT hr = link->QueryInterface(riid, ppv);
  link->Release();
  return hr;
}

}  // namespace win
