// Runs the real qzdb binary (QZDB_PATH, set by the test target) in a work
// folder of a temporary machine.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "tests/support/temp_machine.h"

namespace qztest {

struct QzdbOutcome {
  int status;
  std::string out, err;
};

class QzdbRun : public TempMachine {
 protected:
  std::string HostFile(const std::string& name) const { return root_ + "/work/" + name; }
  void Put(const std::string& name, const std::string& contents) const { WriteHostFile(HostFile(name), contents); }

  // environment: assignments put before the command, e.g. "QZ_FAULT_FAIL=read:1".
  QzdbOutcome Qzdb(const std::string& arguments, const std::string& environment = "") const {
    std::string out = root_ + "/qzdb.out", err = root_ + "/qzdb.err";
    std::string command = "cd '" + root_ + "/work' && " + environment + " '" QZDB_PATH "' " + arguments + " >'" + out +
                          "' 2>'" + err + "'";
    int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadHostFile(out), ReadHostFile(err)};
  }
};

}  // namespace qztest
