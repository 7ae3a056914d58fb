// Test-only failures of the layer's operations, in the manner of a countdown
// injector: the Nth operation of a kind from now fails with a chosen error.
// Every operation is counted whether or not a fault is armed, so a test can
// learn how many operations of a kind a run makes and then fail each one.
//
// A test that runs the whole program can reach the same counts through the
// environment, read once at the first operation:
//   QZ_FAULT_KILL=<kind>:<n>   the process kills itself (SIGKILL) at the nth
//                              operation of the kind, before it happens;
//   QZ_FAULT_FAIL=<kind>:<n>   the nth operation of the kind fails with a
//                              hard I/O error (for files a root user could
//                              read whatever their permissions);
//   QZ_FAULT_TRACE=<host file> each operation appends "<kind> <n>" to the
//                              file, with the path for opens, removes and
//                              renames.
// <kind> is an Op's name as below (open, write, rename, registry, ...).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/host/file_system.h"

namespace win::faults {

enum class Op {
  open,             // files and the gzip reader
  read,
  write,
  close,
  rename,
  remove,           // files and directories
  createDirectory,
  setAttributes,
  registry,         // every registry call that changes or reads the store
  processStart,     // start-and-wait, command processor runs, CreateProcess
  count_
};

// The nth (1 = the next) operation of the kind fails with the error kind,
// and so do the times-1 operations after it.
void FailNth(Op op, uint64_t nth, FileErrorKind kind, uint64_t times = 1);
// From now on, writes stop short once this many more bytes have been
// written; the short write reports diskFull.
void ShortWritesAfter(uint64_t bytes);
// Disarms every fault and sets every count to zero.
void Reset();
// Operations of the kind since the last Reset.
uint64_t Count(Op op);

// Called by the layer before each operation: the error to fail it with, or
// none. Cheap when nothing is armed. The path only goes to the trace.
FileErrorKind Check(Op op, std::u16string_view path = {});

// The kind of the name used in QZ_FAULT_KILL and the trace.
std::optional<Op> OpNamed(std::string_view name);
std::string_view NameOf(Op op);
// Called by the layer before a write: how many of the bytes may be written.
uint64_t AllowedWrite(uint64_t bytes);
// Gives back what an allowed write did not use.
void RefundWrite(uint64_t bytes);

}  // namespace win::faults
