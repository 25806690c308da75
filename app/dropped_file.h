#pragma once

#include <QString>
#include <optional>

class QMimeData;

namespace vlx::app {

// The one local file a drag carries; nullopt for several files, a folder, a remote
// address or anything that is not a file.
std::optional<QString> DroppedFile(const QMimeData* data);

}  // namespace vlx::app
