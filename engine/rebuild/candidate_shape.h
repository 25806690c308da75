#pragma once

#include "engine/format/found_record.h"
#include "engine/job/damaged_file.h"

namespace vlx {

// Whether a found header really opens the record it names, judged by its children's
// headers alone (the bodies are not read), so that a chance match in unrelated bytes,
// whose length may run to hundreds of megabytes, is not used as a candidate.

// A blip store: children that are all blip-store entries, as many as its instance says,
// filling it exactly.
bool LooksLikeBlipStore(DamagedFile& file, const FoundRecord& store);

// A main master: a SlideAtom first, then records that fill it exactly.
bool LooksLikeMainMaster(DamagedFile& file, const FoundRecord& master);

}  // namespace vlx
