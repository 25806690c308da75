#pragma once

namespace vlx {

// Fixed names of the rebuild's files inside the workspace.
inline constexpr const char* kTrialStreamFile = "big0012241";    // trial stream / final prefix
inline constexpr const char* kSlideDocumentFile = "Dat0012241";  // one drawing's whole stream
inline constexpr const char* kPicturesFile = "vlxpicfile";       // the rebuilt Pictures stream
inline constexpr const char* kRebuiltCompoundFile = "vlxppt";    // the packed presentation
inline constexpr const char* kTrialExportFolder = "vlxppthh";    // trial slide pictures

}  // namespace vlx
