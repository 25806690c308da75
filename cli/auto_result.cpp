#include "cli/auto_result.h"

#include <filesystem>
#include <system_error>

namespace vlx::cli {
namespace {

namespace fs = std::filesystem;

void RemoveQuietly(const fs::path& path) {
  std::error_code ignored;
  fs::remove_all(path, ignored);
}

// The fast run's own files in its folder (the pictures are the same in both runs).
void DropRunFiles(RunRecord& run) {
  if (!run.saved_presentation.empty()) RemoveQuietly(run.saved_presentation);
  for (const ThumbnailEntry& slide : run.slides)
    if (!slide.thumbnail.empty()) RemoveQuietly(slide.thumbnail);
  run.saved_presentation.clear();
  run.slides.clear();
}

std::string Moved(const std::string& path, const std::string& from, const std::string& to) {
  return path.compare(0, from.size(), from) == 0 ? to + path.substr(from.size()) : path;
}

// Moves every entry of the nested folder into the outer one, replacing what is there.
void MoveUp(RunRecord& run, const std::string& outer) {
  const std::string inner = run.output_folder;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(inner, error)) {
    const fs::path target = fs::path(outer) / entry.path().filename();
    RemoveQuietly(target);
    fs::rename(entry.path(), target, error);
  }
  RemoveQuietly(inner);
  run.output_folder = outer;
  run.saved_presentation = Moved(run.saved_presentation, inner, outer);
  for (auto* list : {&run.slides, &run.data_slides})
    for (ThumbnailEntry& item : *list) item.thumbnail = Moved(item.thumbnail, inner, outer);
  for (PictureEntry& picture : run.pictures) {
    picture.file = Moved(picture.file, inner, outer);
    picture.thumbnail = Moved(picture.thumbnail, inner, outer);
  }
  for (TextEntry& text : run.texts) text.file = Moved(text.file, inner, outer);
  for (MasterEntry& master : run.masters) master.thumbnail = Moved(master.thumbnail, inner, outer);
}

}  // namespace

bool FastRunIsWhole(const RunRecord& fast) {
  return !fast.saved_presentation.empty() && fast.recovery && fast.recovery->verified &&
         fast.recovery->checked_slides > 0 && (fast.recovery->opened || fast.slides.empty());
}

int KeepBetterRun(RunRecord& fast, RunRecord& standard) {
  const bool fast_saved = !fast.saved_presentation.empty();
  const bool standard_saved = !standard.saved_presentation.empty();
  // A checked fast result keeps the user's own slides; a rebuild only wins over one
  // that lists fewer slides or none.
  const bool fast_wins =
      fast_saved &&
      (!standard_saved || (FastRunIsWhole(fast) && fast.slides.size() >= standard.slides.size()));
  if (fast_wins) {
    RemoveQuietly(standard.output_folder);
    standard.output_folder = fast.output_folder;
    standard.saved_presentation.clear();
    standard.slides.clear();
    standard.data_slides.clear();
    standard.pictures.clear();
    standard.texts.clear();  // they were in its folder
    return 0;
  }
  DropRunFiles(fast);
  MoveUp(standard, fast.output_folder);
  fast.pictures.clear();
  return 1;
}

std::string HowRecovered(const RunRecord& run) {
  if (run.saved_presentation.empty()) return "nothing saved";
  if (!run.recovery)
    return run.mode == "standard" ? "rebuilt from the records found (standard mode)" : "fast mode";
  std::string text = run.recovery->method;
  if (run.mode == "standard") text = "the presentation's own records (" + text + ")";
  if (run.recovery->verified) text += ", verified";
  if (!run.recovery->repairs.empty()) text += " (" + run.recovery->repairs.front() + ")";
  return text;
}

}  // namespace vlx::cli
