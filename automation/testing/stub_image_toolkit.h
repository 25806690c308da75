#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/job/result_view.h"

namespace vlx::testing {

// An ImageToolkit without a picture library, for tests of the stages that use one.
// A file "loads" when it begins like a JPEG (FF D8 FF); its thumbnail is a box-sized
// bitmap in kThumbnailColour. Every request is remembered.
class StubImageToolkit : public ImageToolkit {
 public:
  static constexpr uint32_t kThumbnailColour = 0xFF2866BE;
  static constexpr uint32_t kStockColour = 0xFF00A000;
  static constexpr uint32_t kPlaceholderColour = 0xFFA00000;

  struct ThumbnailRequest {
    std::string path;
    int width;
    int height;
    bool made;
  };

  std::optional<Bitmap> MakeThumbnail(const std::string& image_path, int width,
                                      int height) override;
  // Writes a small JPEG at jpeg_path when the source exists and conversions are not
  // scripted to fail.
  bool ConvertToJpeg(const std::string& source_path, const std::string& jpeg_path) override;
  bool SaveJpeg(const Bitmap& bitmap, const std::string& jpeg_path) override;
  // Every picture decodes unless it contains kUndecodableMark.
  bool Decodes(std::span<const uint8_t> picture_file) override;
  // A box-sized bitmap in kPlaceholderColour; the label is remembered.
  Bitmap LabelledPlaceholder(const std::string& label, int width, int height) override;
  Bitmap StockBitmap() override;
  Bitmap PlaceholderBitmap() override;

  std::vector<ThumbnailRequest> Thumbnails() const;
  std::vector<std::string> Conversions() const;  // "source -> jpeg"
  std::vector<std::string> PlaceholderLabels() const;

  static constexpr std::string_view kUndecodableMark = "UNDECODABLE";

  bool fail_conversions = false;

 private:
  mutable std::mutex mutex_;
  std::vector<ThumbnailRequest> thumbnails_;
  std::vector<std::string> conversions_;
  std::vector<std::string> placeholder_labels_;
};

// A bitmap of the given size in one colour.
Bitmap SolidBitmap(int width, int height, uint32_t colour);

}  // namespace vlx::testing
