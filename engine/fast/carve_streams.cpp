#include "engine/fast/carve_streams.h"

namespace vlx {

StreamCarving::StreamCarving(RecoveryJob& job, DamagedFile& file)
    : job_(job),
      file_(file),
      search_(file, {&DocumentStreamPass(), &CurrentUserPass(), &PicturesStreamPass()}) {}

}  // namespace vlx
