#include <cstdio>
#include <string>

#include "demo_tree.h"

namespace demotree {
namespace {

struct Kind {
  const char* file;
  const char* title;
  const char* types[2];
  const char* params[8];
};

const Kind kKinds[] = {
    {"standard.bjt", "bipolar transistors", {"NPN", "PNP"}, {"IS", "BF", "VAF", "IKF", "ISE", "NE", "BR", "RB"}},
    {"standard.mos", "MOSFETs", {"VDMOS", "VDMOS"}, {"Rg", "Vto", "Rd", "Rs", "Kp", "Cgdmax", "Cgdmin", "Cgs"}},
    {"standard.jft", "JFETs", {"NJF", "PJF"}, {"Beta", "Betatce", "Rd", "Rs", "Lambda", "Vto", "Vtotc", "Is"}},
    {"standard.dio", "diodes", {"D", "D"}, {"Is", "Rs", "N", "Cjo", "M", "tt", "Iave", "Vpk"}},
};

std::string Number(Random& r) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4g", r.Unit() * 9.0 + 1.0);
  std::string s = buf;
  static const char* const suffixes[] = {"", "m", "u", "n", "p", "f", "k", "Meg"};
  return s + suffixes[r.Between(0, 7)];
}

std::string ModelName(Random& r, const Kind& k, int i) {
  static const char* const prefixes[] = {"2N", "BC", "MMBT", "IRF", "SI", "BAT", "1N", "J", "PN", "FDS"};
  char buf[40];
  std::snprintf(buf, sizeof buf, "%s%d%c", prefixes[(i + int(k.file[10])) % 10], 100 + i * 7 + int(r.Between(0, 6)),
                "ABCDEFGH"[r.Between(0, 7)]);
  return buf;
}

std::string Library(Random& r, const Kind& k, int count) {
  std::string text = "* Quenda Zorvel standard library of " + std::string(k.title) + "\r\n";
  text += "* Copyright Vossdyne.  All rights reserved.\r\n*\r\n";
  for (int i = 0; i < count; ++i) {
    const char* type = k.types[r.Between(0, 1)];
    std::string statement = ".model " + ModelName(r, k, i) + " " + type + "(";
    int params = int(r.Between(3, 8));
    for (int p = 0; p < params; ++p) {
      if (p == 4) {
        text += statement + "\r\n";
        statement = "+ ";
      }
      statement += std::string(k.params[p]) + "=" + Number(r) + " ";
    }
    statement += "mfg=" + std::string(r.Between(0, 1) ? "Vossdyne" : "Ombra") + ")";
    text += statement + "\r\n";
    if (i % 17 == 5) text += "* tested against the data sheet\r\n";
    if (i % 23 == 0) text += "\r\n";
  }
  return text;
}

}  // namespace

void WriteModelLibraries(const std::filesystem::path& cmpDir, Random& random, int modelsPerLibrary) {
  for (const Kind& k : kKinds) WriteFile(cmpDir / k.file, Library(random, k, modelsPerLibrary));
}

}  // namespace demotree
