// Test-only failures of the layer's operations, in the manner of a countdown
// injector: the Nth operation of a kind from now fails with a chosen error.
// Every operation is counted whether or not a fault is armed, so a test can
// learn how many operations of a kind a run makes and then fail each one.
#pragma once

#include <cstdint>

#include "platform/file_system.h"

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
// none. Cheap when nothing is armed.
FileErrorKind Check(Op op);
// Called by the layer before a write: how many of the bytes may be written.
uint64_t AllowedWrite(uint64_t bytes);
// Gives back what an allowed write did not use.
void RefundWrite(uint64_t bytes);

}  // namespace win::faults
