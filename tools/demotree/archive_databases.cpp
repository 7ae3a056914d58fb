// The four archive databases of the demo product, written with the
// installer's own archive writer: capacitors, inductors, ferrite beads and
// resistors with values and part numbers in the manner of real catalogues.
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "archive/database_doc.h"
#include "archive/database_file.h"
#include "demo_tree.h"
#include "platform/base/text.h"

namespace demotree {
namespace {

const double kE6[] = {1.0, 1.5, 2.2, 3.3, 4.7, 6.8};
const double kE24[] = {1.0, 1.1, 1.2, 1.3, 1.5, 1.6, 1.8, 2.0, 2.2, 2.4, 2.7, 3.0,
                       3.3, 3.6, 3.9, 4.3, 4.7, 5.1, 5.6, 6.2, 6.8, 7.5, 8.2, 9.1};

template <size_t N>
double Pick(Random& r, const double (&values)[N]) {
  return values[r.Between(0, N - 1)];
}

template <size_t N>
const char* Pick(Random& r, const char* const (&texts)[N]) {
  return texts[r.Between(0, N - 1)];
}

// A value of the series in the decades from 10^low to 10^high.
template <size_t N>
double SeriesValue(Random& r, const double (&series)[N], int low, int high) {
  return Pick(r, series) * std::pow(10.0, double(r.Between(0, uint64_t(high - low))) + low);
}

// The three-character value code of part numbers: two digits and the count
// of zeros ("104" is 100000 units), or digits around an R for small values.
std::string ValueCode(double units) {
  char buf[16];
  if (units < 10.0) {
    std::snprintf(buf, sizeof buf, "%.1f", units);
    std::string s = buf;
    s[s.find('.')] = 'R';
    return s;
  }
  int zeros = 0;
  while (units >= 100.0 - 1e-6) units /= 10.0, ++zeros;
  std::snprintf(buf, sizeof buf, "%02d%d", int(std::lround(units)), zeros);
  return buf;
}

std::u16string Wide(const std::string& s) { return win::Utf8ToWide(s); }

const std::u16string kWurth = u"W\u00FCrth Elektronik";

std::unique_ptr<qz::CCapacitorRec> Ceramic(Random& r) {
  static const char* const makers[] = {"Kessler Ceramics", "Orvane", "Taliso Components"};
  static const char* const dielectrics[] = {"X7R", "X5R", "C0G", "X7S", "Y5V"};
  static const char* const sizes[] = {"0402", "0603", "0805", "1206", "1210"};
  static const double volts[] = {6.3, 10, 16, 25, 50, 100};
  auto c = std::make_unique<qz::CCapacitorRec>();
  const bool wurth = r.Between(0, 5) == 0;
  c->manufacturer = wurth ? kWurth : Wide(Pick(r, makers));
  const char* dielectric = Pick(r, dielectrics);
  c->type = Wide(dielectric);
  const double picofarads = SeriesValue(r, kE6, std::string(dielectric) == "C0G" ? 0 : 2, std::string(dielectric) == "C0G" ? 4 : 6);
  c->capacitance = float(picofarads * 1e-12);
  c->voltageRating = float(Pick(r, volts));
  c->seriesResistance = float(0.002 + r.Unit() * 0.05);
  char part[48];
  if (wurth) {
    std::snprintf(part, sizeof part, "8850%05d%03d", int(r.Between(10000, 99999)), int(r.Between(100, 999)));
  } else {
    std::snprintf(part, sizeof part, "%c%s%s%s%c%03d", c->manufacturer[0] == u'K' ? 'K' : 'C', Pick(r, sizes), dielectric,
                  ValueCode(picofarads).c_str(), "JKM"[r.Between(0, 2)], int(c->voltageRating * 10) % 1000);
  }
  c->partNumber = Wide(part);
  return c;
}

std::unique_ptr<qz::CCapacitorRec> Electrolytic(Random& r) {
  static const char* const makers[] = {"Brennmark", "Nordeck Capacitors", "Orvane"};
  static const char* const types[] = {"Al electrolytic", "Polymer", "Tantalum", "Film (PP)"};
  static const double volts[] = {6.3, 10, 16, 25, 35, 50, 63, 100, 250, 400};
  auto c = std::make_unique<qz::CCapacitorRec>();
  c->manufacturer = Wide(Pick(r, makers));
  const char* type = Pick(r, types);
  c->type = Wide(type);
  const double microfarads = SeriesValue(r, kE6, std::string(type) == "Film (PP)" ? -3 : 0, 3);
  c->capacitance = float(microfarads * 1e-6);
  c->voltageRating = float(Pick(r, volts));
  c->seriesResistance = float(0.005 + r.Unit() * (std::string(type) == "Polymer" ? 0.03 : 1.5));
  c->rmsCurrentRating = float(0.05 + r.Unit() * 4.0);
  char part[48];
  std::snprintf(part, sizeof part, "%s%03d-%s%c", type[0] == 'A' ? "EEU" : type[0] == 'P' ? "PLV" : type[0] == 'T' ? "TAJ" : "MKP",
                int(c->voltageRating) % 1000, ValueCode(microfarads * 10).c_str(), "ABCDE"[r.Between(0, 4)]);
  c->partNumber = Wide(part);
  return c;
}

std::unique_ptr<qz::CInductorRec> PowerInductor(Random& r) {
  static const char* const makers[] = {"Toko", "Coilvane", "Mertz Magnetics"};
  auto l = std::make_unique<qz::CInductorRec>();
  const bool wurth = r.Between(0, 3) == 0;
  l->manufacturer = wurth ? kWurth : Wide(Pick(r, makers));
  const double microhenries = SeriesValue(r, kE6, -1, 3);
  l->inductance = float(microhenries * 1e-6);
  // Bigger inductance, thinner wire: less current and more resistance.
  const double size = 0.5 + r.Unit();
  l->currentRating = float(size * 8.0 / std::sqrt(microhenries + 0.5));
  l->seriesResistance = float(0.002 * std::sqrt(microhenries + 0.1) / size * (1 + microhenries / 50));
  l->parallelResistance = float(2e3 + microhenries * 50 * (0.5 + r.Unit()));
  l->parallelCapacitance = float((1 + r.Unit() * 9) * 1e-12);
  char part[48];
  if (wurth) {
    std::snprintf(part, sizeof part, "7447%03d%s", int(r.Between(700, 799)), ValueCode(microhenries * 10).c_str());
  } else {
    std::snprintf(part, sizeof part, "%c%dD%02d-%s", char(l->manufacturer[0]), int(r.Between(3, 12)), int(r.Between(10, 40)),
                  ValueCode(microhenries * 10).c_str());
  }
  l->partNumber = Wide(part);
  return l;
}

std::unique_ptr<qz::CInductorRec> FerriteBead(Random& r) {
  static const char* const makers[] = {"Kessler Ceramics", "Taliso Components", "Mertz Magnetics"};
  static const double ohmsAt100MHz[] = {30, 60, 120, 220, 330, 470, 600, 1000, 1500, 2200};
  auto b = std::make_unique<qz::CInductorRec>();
  const bool wurth = r.Between(0, 3) == 0;
  b->manufacturer = wurth ? kWurth : Wide(Pick(r, makers));
  const double impedance = Pick(r, ohmsAt100MHz);
  b->inductance = float(impedance / (2 * M_PI * 100e6) * (0.8 + 0.4 * r.Unit()));
  b->currentRating = float(6000.0 / (impedance + 200.0) * (0.5 + r.Unit()));
  b->seriesResistance = float(0.01 + impedance * 0.0004 * (0.5 + r.Unit()));
  b->parallelResistance = float(impedance * (1.0 + 0.5 * r.Unit()));
  b->parallelCapacitance = float((0.3 + 2.0 * r.Unit()) * 1e-12);
  char part[48];
  if (wurth) {
    std::snprintf(part, sizeof part, "74279%03d", int(r.Between(200, 299)));
  } else {
    std::snprintf(part, sizeof part, "FB%s-%04d", r.Between(0, 1) ? "0603" : "0805", int(impedance));
  }
  b->partNumber = Wide(std::string(part) + (r.Between(0, 1) ? "" : "T"));
  return b;
}

std::unique_ptr<qz::CResistorRec> Resistor(Random& r, int i) {
  static const char* const makers[] = {"Rindler", "Vantor Resistive", "Kessler Ceramics"};
  static const double watts[] = {0.0625, 0.1, 0.125, 0.25, 0.5, 1.0, 2.0};
  auto res = std::make_unique<qz::CResistorRec>();
  const double ohms = SeriesValue(r, kE24, 0, 6);
  res->resistance = float(ohms);
  res->powerRating = float(Pick(r, watts));
  res->tolerance = r.Between(0, 3) == 0 ? 0.05f : r.Between(0, 4) == 0 ? 0.001f : 0.01f;
  // Most of the database is the plain standard values, without a maker.
  if (i % 3 != 0) return res;
  res->manufacturer = Wide(Pick(r, makers));
  char part[48];
  std::snprintf(part, sizeof part, "RC%s%c-%s", res->powerRating <= 0.1f ? "0402" : res->powerRating <= 0.25f ? "0805" : "2512",
                res->tolerance < 0.005f ? 'B' : res->tolerance < 0.02f ? 'F' : 'J', ValueCode(ohms).c_str());
  res->partNumber = Wide(part);
  return res;
}

template <class Doc>
void WriteDatabase(const std::filesystem::path& file, Doc& doc) {
  WriteFile(file, qz::DatabaseBytes(doc));
}

}  // namespace

void WriteArchiveDatabases(const std::filesystem::path& cmpDir, Random& random, int recordsPerDatabase) {
  qz::CCapacitorDoc caps;
  for (int i = 0; i < recordsPerDatabase; ++i)
    caps.Records().push_back(i % 3 == 2 ? Electrolytic(random) : Ceramic(random));
  WriteDatabase(cmpDir / "standard.cap", caps);

  qz::CInductorDoc inductors;
  for (int i = 0; i < recordsPerDatabase; ++i) inductors.Records().push_back(PowerInductor(random));
  WriteDatabase(cmpDir / "standard.ind", inductors);

  qz::CInductorDoc beads;
  for (int i = 0; i < recordsPerDatabase; ++i) beads.Records().push_back(FerriteBead(random));
  WriteDatabase(cmpDir / "standard.bead", beads);

  qz::CResistorDoc resistors;
  for (int i = 0; i < recordsPerDatabase; ++i) resistors.Records().push_back(Resistor(random, i));
  WriteDatabase(cmpDir / "standard.res", resistors);
}

}  // namespace demotree
