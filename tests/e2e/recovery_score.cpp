#include "tests/e2e/recovery_score.h"

#include <algorithm>
#include <set>

#include "tests/storage/compound_readers.h"

namespace vlx::e2e {

std::optional<int> OfficeSlideCount(office::AutomationServer& server, const std::string& path) {
  try {
    auto application = server.CreateApplication(office::kProgId);
    auto presentation = application->GetPresentations()->Open(path, 1, 0, 0);
    const int count = presentation->GetSlides()->Count();
    presentation->Close();
    application->Quit();
    return count;
  } catch (const office::AutomationError&) {
    return std::nullopt;
  }
}

int TextsFound(const std::vector<std::string>& texts, const std::string& output_text) {
  return static_cast<int>(std::count_if(texts.begin(), texts.end(), [&](const std::string& t) {
    return output_text.find(t) != std::string::npos;
  }));
}

int PicturesIdentical(const std::vector<Bytes>& originals, const std::vector<Bytes>& saved) {
  const std::set<Bytes> contents(saved.begin(), saved.end());
  return static_cast<int>(std::count_if(originals.begin(), originals.end(),
                                        [&](const Bytes& p) { return contents.count(p) > 0; }));
}

void ScoreOutput(const PresentationFacts& original, const RecoveredOutput& output,
                 office::AutomationServer& server, RecoveryScore* score) {
  ++score->files;
  score->original_slides += original.slide_count;
  score->texts += static_cast<int>(original.slide_texts.size());
  score->pictures += static_cast<int>(original.pictures.size());

  std::vector<Bytes> saved;
  for (const std::string& file : output.picture_files) saved.push_back(testing::ReadAll(file));
  score->pictures_identical += PicturesIdentical(original.pictures, saved);

  if (output.saved_presentation.empty()) return;
  const auto slides = OfficeSlideCount(server, output.saved_presentation);
  if (!slides) return;  // text in a file the office refuses is not recovered for a user
  ++score->opened;
  score->output_slides += *slides;
  score->recovered_slides += std::min(*slides, original.slide_count);
  const testing::ReaderResult streams = testing::ReadWithOlefile(output.saved_presentation);
  const auto document = streams.streams.find("PowerPoint Document");
  if (streams.ok && document != streams.streams.end())
    score->texts_found += TextsFound(original.slide_texts, AllDocumentText(document->second));
}

}  // namespace vlx::e2e
