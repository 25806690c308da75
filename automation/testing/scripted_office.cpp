#include "automation/testing/scripted_office.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <system_error>

#include "automation/testing/small_jpeg.h"
#include "engine/job/office_fault.h"

namespace vlx::testing {

namespace fs = std::filesystem;

namespace {

struct AppState {
  int id = 0;
  bool quit = false;
};

struct PresentationState {
  std::shared_ptr<AppState> app;
  std::string path;
  int slide_count = 1;
  bool closed = false;
  bool IsOpen() const { return !closed && !app->quit; }
};

std::string Number(float value) {
  std::ostringstream out;
  out << value;
  return out.str();
}

}  // namespace

struct ScriptedOffice::State {
  std::mutex mutex;

  // Script.
  bool every_creation_fails = false;
  std::set<std::string> failing_opens;
  bool every_open_fails = false;
  std::string version = "12.0";
  std::map<std::string, int> slide_counts;
  bool missing_export = false;
  std::map<std::string, std::set<int>> failing_calls;
  std::map<std::string, int> failing_from;
  std::map<std::string, std::set<int>> crashing_calls;

  // What happened.
  std::vector<std::string> journal;
  std::map<std::string, int> calls;
  std::vector<std::shared_ptr<AppState>> apps;
  std::vector<std::shared_ptr<PresentationState>> presentations;

  // Journals one call of member. Throws when the script says this call fails or when
  // failure (a reason the office itself would refuse the call) is not empty.
  void Call(const std::string& member, const std::string& line, const std::string& failure = {}) {
    bool fails = !failure.empty();
    bool crashes = false;
    {
      std::lock_guard lock(mutex);
      const int n = ++calls[member];
      if (auto it = crashing_calls.find(member);
          it != crashing_calls.end() && it->second.count(n)) {
        // The office dies under every application it serves, as a real one does.
        crashes = true;
        for (const auto& app : apps) app->quit = true;
        journal.push_back(line + " -> crash");
      }
    }
    if (crashes) {
      NoteOfficeFault("the office crashed");
      throw office::AutomationError(member + ": the office has ended (scripted crash)");
    }
    {
      std::lock_guard lock(mutex);
      const int n = calls[member];
      if (auto it = failing_calls.find(member); it != failing_calls.end() && it->second.count(n))
        fails = true;
      if (auto it = failing_from.find(member); it != failing_from.end() && n >= it->second)
        fails = true;
      journal.push_back(fails ? line + " -> error" : line);
    }
    if (fails)
      throw office::AutomationError(member + ": " +
                                    (failure.empty() ? "scripted failure" : failure));
  }

  static std::string Refusal(const PresentationState& p) {
    if (p.app->quit) return "application has quit";
    if (p.closed) return "presentation is closed";
    return {};
  }
};

namespace {

using State = ScriptedOffice::State;

class ScriptedTextRange : public office::TextRange {
 public:
  ScriptedTextRange(std::shared_ptr<State> s, std::shared_ptr<PresentationState> p)
      : s_(std::move(s)), p_(std::move(p)) {}
  void SetText(const std::string& text) override {
    s_->Call("TextRange.Text", "TextRange.Text(" + text + ")", State::Refusal(*p_));
  }

 private:
  std::shared_ptr<State> s_;
  std::shared_ptr<PresentationState> p_;
};

class ScriptedTextFrame : public office::TextFrame {
 public:
  ScriptedTextFrame(std::shared_ptr<State> s, std::shared_ptr<PresentationState> p)
      : s_(std::move(s)), p_(std::move(p)) {}
  std::shared_ptr<office::TextRange> GetTextRange() override {
    s_->Call("TextFrame.TextRange", "TextFrame.TextRange()", State::Refusal(*p_));
    return std::make_shared<ScriptedTextRange>(s_, p_);
  }

 private:
  std::shared_ptr<State> s_;
  std::shared_ptr<PresentationState> p_;
};

class ScriptedShape : public office::Shape {
 public:
  ScriptedShape(std::shared_ptr<State> s, std::shared_ptr<PresentationState> p)
      : s_(std::move(s)), p_(std::move(p)) {}
  std::shared_ptr<office::TextFrame> GetTextFrame() override {
    s_->Call("Shape.TextFrame", "Shape.TextFrame()", State::Refusal(*p_));
    return std::make_shared<ScriptedTextFrame>(s_, p_);
  }

 private:
  std::shared_ptr<State> s_;
  std::shared_ptr<PresentationState> p_;
};

// Every slide has a title and a body placeholder.
class ScriptedShapes : public office::Shapes {
 public:
  ScriptedShapes(std::shared_ptr<State> s, std::shared_ptr<PresentationState> p)
      : s_(std::move(s)), p_(std::move(p)) {}
  std::shared_ptr<office::Shape> Item(float index) override {
    std::string failure = State::Refusal(*p_);
    if (failure.empty() && (index != 1.0f && index != 2.0f)) failure = "no such shape";
    s_->Call("Shapes.Item", "Shapes.Item(" + Number(index) + ")", failure);
    return std::make_shared<ScriptedShape>(s_, p_);
  }

 private:
  std::shared_ptr<State> s_;
  std::shared_ptr<PresentationState> p_;
};

class ScriptedSlide : public office::Slide {
 public:
  ScriptedSlide(std::shared_ptr<State> s, std::shared_ptr<PresentationState> p)
      : s_(std::move(s)), p_(std::move(p)) {}
  std::shared_ptr<office::Shapes> GetShapes() override {
    s_->Call("Slide.Shapes", "Slide.Shapes()", State::Refusal(*p_));
    return std::make_shared<ScriptedShapes>(s_, p_);
  }

 private:
  std::shared_ptr<State> s_;
  std::shared_ptr<PresentationState> p_;
};

class ScriptedSlides : public office::Slides {
 public:
  ScriptedSlides(std::shared_ptr<State> s, std::shared_ptr<PresentationState> p)
      : s_(std::move(s)), p_(std::move(p)) {}
  int Count() override {
    s_->Call("Slides.Count", "Slides.Count()", State::Refusal(*p_));
    return p_->slide_count;
  }
  std::shared_ptr<office::Slide> Add(int index, int layout) override {
    std::string failure = State::Refusal(*p_);
    if (failure.empty() && (index < 1 || index > p_->slide_count + 1)) failure = "bad index";
    s_->Call("Slides.Add",
             "Slides.Add(" + std::to_string(index) + ", " + std::to_string(layout) + ")", failure);
    ++p_->slide_count;
    return std::make_shared<ScriptedSlide>(s_, p_);
  }
  std::shared_ptr<office::Slide> Item(float index) override {
    std::string failure = State::Refusal(*p_);
    if (failure.empty() && (index < 1.0f || index > static_cast<float>(p_->slide_count)))
      failure = "no such slide";
    s_->Call("Slides.Item", "Slides.Item(" + Number(index) + ")", failure);
    return std::make_shared<ScriptedSlide>(s_, p_);
  }

 private:
  std::shared_ptr<State> s_;
  std::shared_ptr<PresentationState> p_;
};

std::string SavePictures(const std::string& folder, int count) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return "cannot create " + folder;
  for (int i = 1; i <= count; ++i)
    if (!WriteSmallJpeg(folder + "/Slide" + std::to_string(i) + ".JPG"))
      return "cannot write into " + folder;
  return {};
}

std::string SavePresentation(const std::string& source, const std::string& target) {
  std::error_code ec;
  fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec);
  return ec ? "cannot write " + target : std::string();
}

class ScriptedPresentation : public office::Presentation {
 public:
  ScriptedPresentation(std::shared_ptr<State> s, std::shared_ptr<PresentationState> p)
      : s_(std::move(s)), p_(std::move(p)) {}
  std::shared_ptr<office::Slides> GetSlides() override {
    s_->Call("Presentation.Slides", "Presentation.Slides()", State::Refusal(*p_));
    return std::make_shared<ScriptedSlides>(s_, p_);
  }
  void SaveAs(const std::string& file_name, int file_format, int embed_fonts) override {
    const std::string line = "Presentation.SaveAs(" + file_name + ", " +
                             std::to_string(file_format) + ", " + std::to_string(embed_fonts) + ")";
    std::string failure = State::Refusal(*p_);
    if (failure.empty() && file_format != office::kFormatJpeg &&
        file_format != office::kFormatDefault)
      failure = "unsupported format";
    s_->Call("Presentation.SaveAs", line, failure);
    std::string write_failure;
    if (file_format == office::kFormatDefault) {
      write_failure = SavePresentation(p_->path, file_name);
    } else {
      bool missing;
      {
        std::lock_guard lock(s_->mutex);
        missing = s_->missing_export;
      }
      if (!missing) write_failure = SavePictures(file_name, p_->slide_count);
    }
    if (!write_failure.empty())
      throw office::AutomationError("Presentation.SaveAs: " + write_failure);
  }
  void Close() override {
    s_->Call("Presentation.Close", "Presentation.Close()", State::Refusal(*p_));
    std::lock_guard lock(s_->mutex);
    p_->closed = true;
  }
  void SetDisplayComments(int value) override {
    s_->Call("Presentation.DisplayComments",
             "Presentation.DisplayComments(" + std::to_string(value) + ")", State::Refusal(*p_));
  }

 private:
  std::shared_ptr<State> s_;
  std::shared_ptr<PresentationState> p_;
};

class ScriptedPresentations : public office::Presentations {
 public:
  ScriptedPresentations(std::shared_ptr<State> s, std::shared_ptr<AppState> app)
      : s_(std::move(s)), app_(std::move(app)) {}
  std::shared_ptr<office::Presentation> Open(const std::string& file_name, int read_only,
                                             int untitled, int with_window) override {
    const std::string line = "Presentations.Open(" + file_name + ", " + std::to_string(read_only) +
                             ", " + std::to_string(untitled) + ", " + std::to_string(with_window) +
                             ")";
    auto presentation = std::make_shared<PresentationState>();
    presentation->app = app_;
    presentation->path = file_name;
    std::string failure;
    {
      std::lock_guard lock(s_->mutex);
      if (app_->quit)
        failure = "application has quit";
      else if (s_->every_open_fails || s_->failing_opens.count(file_name))
        failure = "cannot open (scripted)";
      if (auto it = s_->slide_counts.find(file_name); it != s_->slide_counts.end())
        presentation->slide_count = it->second;
    }
    std::error_code ec;
    if (failure.empty() && !fs::is_regular_file(file_name, ec)) failure = "no such file";
    s_->Call("Presentations.Open", line, failure);
    std::lock_guard lock(s_->mutex);
    s_->presentations.push_back(presentation);
    return std::make_shared<ScriptedPresentation>(s_, presentation);
  }

 private:
  std::shared_ptr<State> s_;
  std::shared_ptr<AppState> app_;
};

class ScriptedApplication : public office::Application {
 public:
  ScriptedApplication(std::shared_ptr<State> s, std::shared_ptr<AppState> app)
      : s_(std::move(s)), app_(std::move(app)) {}
  std::shared_ptr<office::Presentations> GetPresentations() override {
    s_->Call("Application.Presentations", Prefix() + "Presentations()", Refusal());
    return std::make_shared<ScriptedPresentations>(s_, app_);
  }
  std::string Version() override {
    s_->Call("Application.Version", Prefix() + "Version()", Refusal());
    std::lock_guard lock(s_->mutex);
    return s_->version;
  }
  // Draws any picture file that exists as the small JPEG (the stub toolkit reads it).
  void RenderPicture(const std::string& picture_path, const std::string& png_path,
                     int size) override {
    std::string failure = Refusal();
    std::error_code ec;
    if (failure.empty() && !fs::is_regular_file(picture_path, ec)) failure = "no such file";
    s_->Call("Application.RenderPicture",
             Prefix() + "RenderPicture(" + picture_path + ", " + std::to_string(size) + ")",
             failure);
    if (!WriteSmallJpeg(png_path))
      throw office::AutomationError("Application.RenderPicture: cannot write " + png_path);
  }
  void Quit() override {
    s_->Call("Application.Quit", Prefix() + "Quit()", Refusal());
    std::lock_guard lock(s_->mutex);
    app_->quit = true;
  }

 private:
  std::string Prefix() const { return "Application#" + std::to_string(app_->id) + "."; }
  std::string Refusal() const { return app_->quit ? "application has quit" : std::string(); }

  std::shared_ptr<State> s_;
  std::shared_ptr<AppState> app_;
};

}  // namespace

ScriptedOffice::ScriptedOffice() : state_(std::make_shared<State>()) {}
ScriptedOffice::~ScriptedOffice() = default;

void ScriptedOffice::FailCreation(int n) {
  FailCall("Server.CreateApplication", n);
}

void ScriptedOffice::FailEveryCreation() {
  std::lock_guard lock(state_->mutex);
  state_->every_creation_fails = true;
}

void ScriptedOffice::FailOpen(const std::string& path) {
  std::lock_guard lock(state_->mutex);
  state_->failing_opens.insert(path);
}

void ScriptedOffice::FailEveryOpen() {
  std::lock_guard lock(state_->mutex);
  state_->every_open_fails = true;
}

void ScriptedOffice::SetVersion(const std::string& version) {
  std::lock_guard lock(state_->mutex);
  state_->version = version;
}

void ScriptedOffice::SetSlideCount(const std::string& path, int count) {
  std::lock_guard lock(state_->mutex);
  state_->slide_counts[path] = count;
}

void ScriptedOffice::SetMissingExport(bool missing) {
  std::lock_guard lock(state_->mutex);
  state_->missing_export = missing;
}

void ScriptedOffice::FailCall(const std::string& member, int n) {
  std::lock_guard lock(state_->mutex);
  state_->failing_calls[member].insert(n);
}

void ScriptedOffice::CrashAt(const std::string& member, int n) {
  std::lock_guard lock(state_->mutex);
  state_->crashing_calls[member].insert(n);
}

void ScriptedOffice::FailCallsFrom(const std::string& member, int n) {
  std::lock_guard lock(state_->mutex);
  state_->failing_from[member] = n;
}

std::vector<std::string> ScriptedOffice::Journal() const {
  std::lock_guard lock(state_->mutex);
  return state_->journal;
}

std::vector<std::string> ScriptedOffice::JournalOf(const std::string& prefix) const {
  std::lock_guard lock(state_->mutex);
  std::vector<std::string> lines;
  for (const auto& line : state_->journal)
    if (line.compare(0, prefix.size(), prefix) == 0) lines.push_back(line);
  return lines;
}

void ScriptedOffice::ClearJournal() {
  std::lock_guard lock(state_->mutex);
  state_->journal.clear();
}

int ScriptedOffice::CallCount(const std::string& member) const {
  std::lock_guard lock(state_->mutex);
  auto it = state_->calls.find(member);
  return it == state_->calls.end() ? 0 : it->second;
}

int ScriptedOffice::ApplicationsCreated() const {
  std::lock_guard lock(state_->mutex);
  return static_cast<int>(state_->apps.size());
}

int ScriptedOffice::ApplicationsRunning() const {
  std::lock_guard lock(state_->mutex);
  int running = 0;
  for (const auto& app : state_->apps) running += app->quit ? 0 : 1;
  return running;
}

int ScriptedOffice::PresentationsOpen() const {
  std::lock_guard lock(state_->mutex);
  int open = 0;
  for (const auto& p : state_->presentations) open += p->IsOpen() ? 1 : 0;
  return open;
}

std::shared_ptr<office::Application> ScriptedOffice::CreateApplication(const std::string& prog_id) {
  std::string failure;
  {
    std::lock_guard lock(state_->mutex);
    if (state_->every_creation_fails) failure = "cannot start the office (scripted)";
  }
  state_->Call("Server.CreateApplication", "CreateApplication(" + prog_id + ")", failure);
  std::lock_guard lock(state_->mutex);
  auto app = std::make_shared<AppState>();
  app->id = static_cast<int>(state_->apps.size()) + 1;
  state_->apps.push_back(app);
  return std::make_shared<ScriptedApplication>(state_, app);
}

}  // namespace vlx::testing
