// The model records of the four model libraries: one record per ".model"
// statement, holding the model's name and the whole statement text.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/object.h"

namespace qz {

// Which library a record list comes from; it decides the record class of
// every statement read from it, whatever device type the statement names.
enum class ModelKind { bjt, mosfet, jfet, diode };

// Short name ("BJT") and device kind ("bipolar transistors") of a library.
std::u16string_view ModelKindShortName(ModelKind kind);
std::u16string_view ModelKindDeviceName(ModelKind kind);

// The common part of the four record classes. Records are never stored in
// archive form, so serialisation does nothing, and none of the classes has
// a run-time class of its own.
class CModelRec : public win::CObject {
 public:
  CModelRec(std::u16string name, std::u16string text) : name_(std::move(name)), text_(std::move(text)) {}

  // The statement's second token, its case kept; empty for ".model" alone.
  const std::u16string& Name() const { return name_; }
  // The whole statement on one line.
  const std::u16string& Text() const { return text_; }

  void Serialize(CArchive& archive) override;

 private:
  std::u16string name_;
  std::u16string text_;
};

class CBjtRec final : public CModelRec {
 public:
  using CModelRec::CModelRec;
};

class CMosfetRec final : public CModelRec {
 public:
  using CModelRec::CModelRec;
};

class CJfetRec final : public CModelRec {
 public:
  using CModelRec::CModelRec;
};

class CDiodeRec final : public CModelRec {
 public:
  using CModelRec::CModelRec;
};

// A record of the library kind's class.
std::unique_ptr<CModelRec> MakeModelRec(ModelKind kind, std::u16string name, std::u16string text);

// The records of one library in file order. The list owns its records; a
// record leaves it only by being destroyed or moved into another list.
struct ModelRecordList {
  explicit ModelRecordList(ModelKind k) : kind(k) {}

  ModelKind kind;
  std::vector<std::unique_ptr<CModelRec>> records;
};

}  // namespace qz
