#include "engine/scan/slide_text_files.h"

#include "engine/job/final_file.h"
#include "engine/job/folder_tree.h"

namespace vlx {
namespace {

bool WriteTextFile(const std::string& path, const std::string& text) {
  FinalFile file(path);
  return file.Write(text.data(), text.size()) && file.Commit();
}

void SaveAndReport(RecoveryJob& job, const std::string& path, const std::string& label,
                   const std::string& text) {
  if (!WriteTextFile(path, text)) {
    job.sink().AppendLog("Cannot save text " + path + "\r\n");
    return;
  }
  ResultItem item;
  item.list = ResultList::kTexts;
  item.label = label;
  item.file = path;
  job.results.Report(item);
  job.sink().AppendLog("Saved " + label + ": " + path + "\r\n");
}

}  // namespace

std::map<int64_t, std::string> TextsBySlide(const SlideTextStore& store) {
  std::map<int64_t, std::string> by_slide;
  for (const SlideTextGroup& group : store.groups) {
    for (const auto* texts : {&group.byte_texts, &group.char_texts})
      for (const SlideText& t : *texts) by_slide[t.slide] += t.text + "\n";
  }
  return by_slide;
}

void SaveSlideTexts(RecoveryJob& job, const std::string& output_folder) {
  const std::map<int64_t, std::string> by_slide = TextsBySlide(job.texts);
  if (by_slide.empty()) return;
  const std::string folder = output_folder + "Texts";
  if (!MakeFolder(folder)) {
    job.sink().AppendLog("Cannot save texts in " + folder + "\r\n");
    return;
  }
  std::string all;
  for (const auto& [slide, text] : by_slide) {
    const std::string number = std::to_string(slide);
    SaveAndReport(job, folder + "/Slide " + number + ".txt", "Slide " + number + " text", text);
    all += "Slide " + number + "\n" + text + "\n";
  }
  SaveAndReport(job, folder + "/All slides.txt", "All slide texts", all);
}

}  // namespace vlx
