// Whole model libraries: reading one into a record list, writing a list
// back as one statement per line, and narrowing 16-bit text to 8-bit.
#pragma once

#include <optional>
#include <string_view>

#include "models/model_records.h"

namespace qz {

// The records of the library's model statements, in file order, each of
// the kind's record class; other statements are ignored. Nothing when the
// path is empty, the file cannot be opened, or a read fails before the end
// of the file (a library read only in part would lose the models after it).
[[nodiscard]] std::optional<ModelRecordList> ReadModelLibrary(std::u16string_view path, ModelKind kind);

// Whether a file reads as a library of the kind: an empty file does, and
// one with bytes must hold a model statement (the reader takes any text, so
// a file of another sort, given by mistake, would read as an empty library).
bool LooksLikeModelLibrary(std::u16string_view path, ModelKind kind);

// Writes a two-line comment header (product, library kind, current year)
// and every record's statement, each line ended by CR LF: as 8-bit text
// when every character fits in 8 bits, else as 16-bit little-endian text.
// The file is replaced in one step, a read-only one as well; false leaves
// it as it was.
[[nodiscard]] bool WriteModelLibrary(std::u16string_view path, const ModelRecordList& list);

// Rewrites a 16-bit little-endian text file as 8-bit text when every
// character fits in 8 bits; otherwise, or when the file cannot be read or
// replaced, leaves it as it is. Never leaves a mixture of the two.
void NarrowTextFile(std::u16string_view path);

// The header lines that WriteModelLibrary puts first, CR LF included.
std::u16string ModelLibraryHeader(ModelKind kind, int year);

}  // namespace qz
