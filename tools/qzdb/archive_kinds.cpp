// The archive database kinds of qzdb: capacitors, inductors, ferrite beads
// and resistors.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "archive/database_file.h"
#include "archive/database_messages.h"
#include "base/file_helpers.h"
#include "db_kind.h"
#include "platform/base/text.h"

namespace qzdb {
namespace {

std::string Text(const std::u16string& text) { return win::WideToUtf8(text); }

std::string Value(float v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.9g", double(v));
  return buffer;
}

std::vector<std::string> Fields(const qz::CCapacitorRec& r) {
  return {Text(r.manufacturer),    Text(r.partNumber),           Text(r.type),
          Value(r.capacitance),    Value(r.voltageRating),       Value(r.rmsCurrentRating),
          Value(r.seriesResistance), Value(r.fifthValue)};
}

std::vector<std::string> Fields(const qz::CInductorRec& r) {
  return {Text(r.manufacturer),       Text(r.partNumber),          Value(r.inductance),         Value(r.currentRating),
          Value(r.seriesResistance),  Value(r.parallelResistance), Value(r.parallelCapacitance)};
}

std::vector<std::string> Fields(const qz::CResistorRec& r) {
  return {Text(r.manufacturer), Text(r.partNumber), Value(r.resistance), Value(r.powerRating), Value(r.tolerance)};
}

std::vector<std::string> Header(const qz::CCapacitorRec*) {
  return {"manufacturer",       "part number",       "type",       "capacitance", "voltage rating",
          "RMS current rating", "series resistance", "fifth value"};
}

std::vector<std::string> Header(const qz::CInductorRec*) {
  return {"manufacturer",      "part number",         "inductance",          "current rating",
          "series resistance", "parallel resistance", "parallel capacitance"};
}

std::vector<std::string> Header(const qz::CResistorRec*) {
  return {"manufacturer", "part number", "resistance", "power rating", "tolerance"};
}

// One record a line: a tab, line break or backslash inside a text is
// written as \t, \n, \r or \\.
std::string TabField(const std::string& field) {
  std::string out;
  for (char c : field) {
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  return out;
}

// RFC 4180: a field with a comma, quote or line break is quoted, and its
// quotes doubled.
std::string CsvField(const std::string& field) {
  if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
  std::string out = "\"";
  for (char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

void PrintLine(const std::vector<std::string>& fields, bool csv) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) line += csv ? ',' : '\t';
    line += csv ? CsvField(fields[i]) : TabField(fields[i]);
  }
  line += csv ? "\r\n" : "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
}

template <class Doc>
bool Dump(std::u16string_view file, const DumpOptions& options) {
  using Rec = typename Doc::Record;
  if (!qz::FileExists(file)) {
    qz::ShowMessageText(qz::FileErrorText(win::FileErrorKind::fileNotFound, file));
    return false;
  }
  qz::Result<std::unique_ptr<Doc>> read = qz::ReadDatabase<Doc>(file);
  if (!read) {
    qz::ShowMessageText(read.Error().message);
    return false;
  }
  if (options.csv) PrintLine(Header(static_cast<const Rec*>(nullptr)), true);
  for (const auto& record : (*read)->Records()) PrintLine(Fields(*record), options.csv);
  std::fflush(stdout);
  return !std::ferror(stdout);
}

}  // namespace

DumpFunction ArchiveDump(std::u16string_view kindName) {
  if (kindName == u"cap") return Dump<qz::CCapacitorDoc>;
  if (kindName == u"ind" || kindName == u"bead") return Dump<qz::CInductorDoc>;
  if (kindName == u"res") return Dump<qz::CResistorDoc>;
  return nullptr;
}

}  // namespace qzdb
