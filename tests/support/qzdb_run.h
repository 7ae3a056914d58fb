// Runs the real qzdb binary (QZDB_PATH, set by the test target) in a work
// folder of a temporary machine.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/subprocess.h"
#include "tests/support/temp_machine.h"

namespace qztest {

using QzdbOutcome = ProcessResult;

class QzdbRun : public TempMachine {
 protected:
  std::string HostFile(const std::string& name) const { return root_ + "/work/" + name; }
  void Put(const std::string& name, const std::string& contents) const { WriteHostFile(HostFile(name), contents); }

  // arguments: the words of the command line as typed (no word of the
  // tests holds a space); environment: assignments for qzdb, e.g.
  // "QZ_FAULT_FAIL=read:1 QZ_VIRTUAL_TIME=1".
  QzdbOutcome Qzdb(const std::string& arguments, const std::string& environment = "") const {
    Command command{.argv = {QZDB_PATH}, .directory = root_ + "/work"};
    std::istringstream words(arguments);
    for (std::string word; words >> word;) command.argv.push_back(word);
    std::istringstream assignments(environment);
    for (std::string a; assignments >> a;)
      if (size_t eq = a.find('='); eq != std::string::npos) command.env.emplace_back(a.substr(0, eq), a.substr(eq + 1));
    return RunProcess(command);
  }
};

}  // namespace qztest
