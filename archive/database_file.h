// Opening, loading, saving and discarding whole database files.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "archive/archive.h"
#include "archive/database_doc.h"
#include "base/result.h"

namespace qz {

// A cheap test of the first 512 bytes: a non-zero count, and a first class
// name (of at most 32 bytes) equal to recordClassName. Never reports.
bool CheckDatabaseHeader(std::u16string_view path, std::string_view recordClassName);

// The same test, telling a header that was read and does not match from
// one that could not be read at all (the file could not be opened, or the
// read failed), which says nothing about what the file holds.
enum class HeaderCheck { matches, differs, unreadable };
HeaderCheck CheckDatabaseHeaderOf(std::u16string_view path, std::string_view recordClassName);

// Reads or writes a whole archive file; a failure's text names the path. A
// missing file and a file of zero bytes read as nothing without calling the
// reader.
Status ReadArchiveFile(std::u16string_view path, const std::function<void(CArchive&)>& read);
// Writes beside the file and then puts the new file in its place in one
// step, so that a failure or a crash leaves the file as it was.
Status WriteArchiveFile(std::u16string_view path, const std::function<void(CArchive&)>& write);

// Reads the database without showing anything; a missing or empty file
// gives an empty document.
template <class Doc>
Result<std::unique_ptr<Doc>> ReadDatabase(std::u16string_view path) {
  auto doc = std::make_unique<Doc>();
  Status read = ReadArchiveFile(path, [&doc](CArchive& ar) { doc->Serialize(ar); });
  if (!read) {
    doc->DeleteContents();
    return read.Error();
  }
  return doc;
}

// A document with at least one record, or nothing. A failure is shown in
// the warning message box first; a missing file, a zero-byte file and a
// file of count 0 give nothing silently.
template <class Doc>
std::unique_ptr<Doc> LoadDatabase(std::u16string_view path);

// Writes the document over the path; a failure is shown and gives false.
template <class Doc>
bool SaveDatabase(Doc& doc, std::u16string_view path);

// Destroys every record of the document, then the document.
template <class Doc>
void DiscardDatabase(std::unique_ptr<Doc> doc) {
  if (doc) doc->DeleteContents();
}

// The bytes of the document's file, without a file.
template <class Doc>
std::string DatabaseBytes(Doc& doc) {
  MemorySink sink;
  CArchive ar(sink);
  doc.Serialize(ar);
  return sink.Bytes();
}

extern template std::unique_ptr<CCapacitorDoc> LoadDatabase<CCapacitorDoc>(std::u16string_view);
extern template std::unique_ptr<CInductorDoc> LoadDatabase<CInductorDoc>(std::u16string_view);
extern template std::unique_ptr<CResistorDoc> LoadDatabase<CResistorDoc>(std::u16string_view);
extern template bool SaveDatabase<CCapacitorDoc>(CCapacitorDoc&, std::u16string_view);
extern template bool SaveDatabase<CInductorDoc>(CInductorDoc&, std::u16string_view);
extern template bool SaveDatabase<CResistorDoc>(CResistorDoc&, std::u16string_view);

}  // namespace qz
