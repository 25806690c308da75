#pragma once

// The office automation object model as the stages use it ("Powerpoint.Application"):
// Application > Presentations > Presentation > Slides > Slide > Shapes > Shape >
// TextFrame > TextRange. A failing call throws AutomationError. Objects are shared
// handles; releasing one is dropping it.

#include <memory>
#include <stdexcept>
#include <string>

namespace vlx::office {

class AutomationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kProgId = "Powerpoint.Application";

// SaveAs file formats.
inline constexpr int kFormatDefault = 11;  // binary presentation (PowerPoint 97)
inline constexpr int kFormatJpeg = 17;     // one JPEG per slide into a folder
inline constexpr int kLayoutText = 2;      // title and body

class TextRange {
 public:
  virtual ~TextRange() = default;
  virtual void SetText(const std::string& text) = 0;  // UTF-8
};

class TextFrame {
 public:
  virtual ~TextFrame() = default;
  virtual std::shared_ptr<TextRange> GetTextRange() = 0;
};

class Shape {
 public:
  virtual ~Shape() = default;
  virtual std::shared_ptr<TextFrame> GetTextFrame() = 0;
};

class Shapes {
 public:
  virtual ~Shapes() = default;
  virtual std::shared_ptr<Shape> Item(float index) = 0;  // 1.0 = first
};

class Slide {
 public:
  virtual ~Slide() = default;
  virtual std::shared_ptr<Shapes> GetShapes() = 0;
};

class Slides {
 public:
  virtual ~Slides() = default;
  virtual int Count() = 0;
  virtual std::shared_ptr<Slide> Add(int index, int layout) = 0;
  virtual std::shared_ptr<Slide> Item(float index) = 0;  // 1.0 = first
};

class Presentation {
 public:
  virtual ~Presentation() = default;
  virtual std::shared_ptr<Slides> GetSlides() = 0;
  // format 17: F is a folder that receives Slide1.JPG, Slide2.JPG, ...
  // format 11: F is the presentation file to write.
  virtual void SaveAs(const std::string& file_name, int file_format, int embed_fonts) = 0;
  virtual void Close() = 0;
  virtual void SetDisplayComments(int value) = 0;
};

class Presentations {
 public:
  virtual ~Presentations() = default;
  virtual std::shared_ptr<Presentation> Open(const std::string& file_name, int read_only,
                                             int untitled, int with_window) = 0;
};

class Application {
 public:
  virtual ~Application() = default;
  virtual std::shared_ptr<Presentations> GetPresentations() = 0;
  // The object-model level served, e.g. "12.0"; a text containing '8' marks a server
  // that cannot export JPEG.
  virtual std::string Version() = 0;
  virtual void Quit() = 0;
  // Draws a picture file the office reads but a picture toolkit may not (a metafile)
  // into a PNG file of about size x size pixels. Throws AutomationError when it cannot;
  // a server without drawing never can.
  virtual void RenderPicture(const std::string& picture_path, const std::string& png_path,
                             int size) {
    (void)picture_path;
    (void)png_path;
    (void)size;
    throw AutomationError("this office does not draw pictures");
  }
};

// Creates Application objects by ProgID; throws AutomationError when no office can be
// started.
class AutomationServer {
 public:
  virtual ~AutomationServer() = default;
  virtual std::shared_ptr<Application> CreateApplication(const std::string& prog_id = kProgId) = 0;
};

}  // namespace vlx::office
