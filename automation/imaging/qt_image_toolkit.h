#pragma once

#include <QImage>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/job/result_view.h"

namespace vlx {

// The picture work of the engine done with Qt's image classes. Needs no display and no
// application object. Reads every format the installed image plugins read (BMP, PNG,
// JPEG, GIF, and TIFF with the image-formats plugins); metafiles (WMF, EMF) are not
// pictures it can read.
class QtImageToolkit : public ImageToolkit {
 public:
  // The thumbnail canvas: silver, framed in black.
  static constexpr uint32_t kCanvasColour = 0xFFC0C0C0;
  static constexpr uint32_t kFrameColour = 0xFF000000;
  static constexpr int kJpegQuality = 90;

  // Damaged pictures are the rule here, not news: the picture decoders' complaints about
  // them are kept off the user's console.
  QtImageToolkit();

  std::optional<Bitmap> MakeThumbnail(const std::string& image_path, int width,
                                      int height) override;
  // Every call reads and paints its own images.
  bool ThumbnailsOnSeveralThreads() const override { return true; }
  bool ConvertToJpeg(const std::string& source_path, const std::string& jpeg_path) override;
  // Made from the picture's pixels on white, without writing the copy.
  std::optional<Bitmap> MakeThumbnailAsJpeg(const std::string& source_path,
                                            const std::string& jpeg_path, int width,
                                            int height) override;
  bool SaveJpeg(const Bitmap& bitmap, const std::string& jpeg_path) override;
  bool Decodes(std::span<const uint8_t> picture_file) override;
  // The silver, framed canvas with the label centred on it in black capitals.
  Bitmap LabelledPlaceholder(const std::string& label, int width, int height) override;
  Bitmap StockBitmap() override;
  Bitmap PlaceholderBitmap() override;

 private:
  // The picture at source_path: the one Decodes kept when the file holds its very bytes
  // (and, for one that is to be shown at full size, when it was kept at full size),
  // else read from the file. Either way nothing stays kept.
  QImage TakeDecoded(const std::string& source_path, bool reduced_will_do);

  // The picture pass asks whether a picture decodes and then converts the file it saved
  // of it: the picture decoded last is kept, with its bytes, for one conversion of a
  // file that holds the same bytes.
  std::mutex decoded_mutex_;
  std::vector<uint8_t> decoded_bytes_;
  QImage decoded_;
  bool decoded_reduced_ = false;  // a large JPEG is kept at a thumbnail's working size
};

}  // namespace vlx
