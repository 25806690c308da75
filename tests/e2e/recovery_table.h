#pragma once

// The end-to-end results table: one row per damage kind and mode. Each test program run
// saves its rows beside the others in the build folder and rewrites the whole table.

#include <string>

#include "tests/e2e/compound_damage.h"
#include "tests/e2e/recovery_score.h"

namespace vlx::e2e {

// One Markdown table row.
std::string TableRow(DamageKind kind, const std::string& mode, const RecoveryScore& score);

// Saves the row under folder/e2e-rows/ and rewrites folder/e2e-table.md from every row
// saved so far; returns the table.
std::string SaveRowAndTable(const std::string& folder, DamageKind kind, const std::string& mode,
                            const RecoveryScore& score);

}  // namespace vlx::e2e
