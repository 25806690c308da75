#include "tests/e2e/recovery_table.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vlx::e2e {
namespace {

constexpr const char* kModes[] = {"fast", "standard"};

std::string Ratio(int part, int whole) {
  char text[64];
  std::snprintf(text, sizeof text, "%d/%d (%.0f %%)", part, whole,
                100.0 * RecoveryScore::Share(part, whole));
  return text;
}

std::string RowFile(const std::string& folder, DamageKind kind, const std::string& mode) {
  return folder + "/e2e-rows/" + DamageName(kind) + "-" + mode + ".md";
}

}  // namespace

std::string TableRow(DamageKind kind, const std::string& mode, const RecoveryScore& score) {
  return "| " + DamageTitle(kind) + " | " + mode + " | " + std::to_string(score.files) + " | " +
         Ratio(score.opened, score.files) + " | " +
         Ratio(score.recovered_slides, score.original_slides) + ", " +
         std::to_string(score.output_slides) + " in outputs | " +
         Ratio(score.texts_found, score.texts) + " | " +
         Ratio(score.pictures_identical, score.pictures) + " |";
}

std::string SaveRowAndTable(const std::string& folder, DamageKind kind, const std::string& mode,
                            const RecoveryScore& score) {
  std::filesystem::create_directories(folder + "/e2e-rows");
  std::ofstream(RowFile(folder, kind, mode)) << TableRow(kind, mode, score) << "\n";
  std::string table =
      "| damage | mode | files | saved and opened by LibreOffice | slides recovered | slide texts "
      "found in them | pictures byte-identical |\n|---|---|---|---|---|---|---|\n";
  for (DamageKind k : kAllDamageKinds) {
    for (const char* m : kModes) {
      std::ifstream row(RowFile(folder, k, m));
      std::stringstream text;
      text << row.rdbuf();
      table += text.str();
    }
  }
  std::ofstream(folder + "/e2e-table.md") << table;
  return table;
}

}  // namespace vlx::e2e
