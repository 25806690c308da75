#pragma once

namespace vlx {

// Fixed names of the files a run writes: inside the workspace, and the saved
// presentations in the run's output folder.

// The fast mode's carved streams and their assembly.
inline constexpr const char* kCarvedDocumentFile = "docfile";
inline constexpr const char* kCarvedCurrentUserFile = "userfile";
inline constexpr const char* kCarvedPicturesFile = "picfile";
inline constexpr const char* kAssembledCompoundFile = "finpicfile";

// The standard mode's rebuild.
inline constexpr const char* kTrialStreamFile = "big0012241";        // trial stream / final prefix
inline constexpr const char* kSlideDocumentFile = "Dat0012241";      // one drawing's whole stream
inline constexpr const char* kPicturesFile = "vlxpicfile";           // the rebuilt Pictures stream
inline constexpr const char* kRebuiltCompoundFile = "vlxppt";        // the packed presentation
inline constexpr const char* kSelectedPicturesFile = "vlxselpic";    // one document's pictures
inline constexpr const char* kTrialExportFolder = "vlxppthh";        // trial slide pictures
inline constexpr const char* kOfficeSavedDeckFile = "vlxsaved.ppt";  // the office's save

// The saved presentation of each mode, in the run's output folder.
inline constexpr const char* kFastResultName = "RecSlideIntigrated.ppt";
inline constexpr const char* kStandardResultName = "RecSlide.ppt";

}  // namespace vlx
