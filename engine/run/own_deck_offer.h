#pragma once

#include <optional>

#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"
#include "engine/run/deck_export.h"
#include "engine/run/own_records_deck.h"

namespace vlx {

// The deck of the file's own records, checked and rendered, as the standard mode offers
// it in the master-slide choice before any master is rebuilt.
struct OwnDeckOffer {
  OwnRecordsDeck deck;
  DeckExport exported;
};

// Prepares the deck and lets the office render its slides; the first slide's picture
// becomes the preview the master-slide choice lists first (job.own_masters_preview).
// nullopt (logged) when no stream set verifies or the office refuses the deck.
std::optional<OwnDeckOffer> OfferOwnRecordsDeck(RecoveryJob& job, DamagedFile& file);

// The chosen deck as the run's result: its slides listed, data slides only for the texts
// none of its slides holds, the file saved as it was assembled. False when the save
// failed.
bool SaveOwnRecordsDeck(RecoveryJob& job, DamagedFile& file, const OwnDeckOffer& offer,
                        const std::string& path);

}  // namespace vlx
