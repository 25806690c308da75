#pragma once

// A stand-in for the office automation server whose behaviour a test scripts, and which
// keeps a journal of every call with its arguments.
//
// Journal lines look like
//   CreateApplication(Powerpoint.Application)
//   Application#1.Presentations()
//   Presentations.Open(/tmp/w/copy2, 0, 0, 0)
//   Slides.Add(1, 2)
//   Slides.Item(1)
//   TextRange.Text(Hello)
//   Presentation.SaveAs(/tmp/w/vlximg, 17, 1)
//   Application#2.Quit()
// and a call that fails ends in " -> error".
//
// Member names used for scripting failures and counting calls are "Object.Member":
// Server.CreateApplication, Application.Presentations, Application.Version,
// Application.Quit, Application.RenderPicture, Presentations.Open, Presentation.Slides,
// Presentation.SaveAs, Presentation.Close, Presentation.DisplayComments, Slides.Count, Slides.Add,
// Slides.Item, Slide.Shapes, Shapes.Item, Shape.TextFrame, TextFrame.TextRange,
// TextRange.Text.
//
// The double behaves like a strict office: opening a file that does not exist fails,
// indexes outside the collection fail, and every call on a closed presentation or on an
// application that has quit fails.

#include <memory>
#include <string>
#include <vector>

#include "engine/office/office_api.h"

namespace vlx::testing {

class ScriptedOffice : public office::AutomationServer {
 public:
  ScriptedOffice();
  ~ScriptedOffice() override;
  ScriptedOffice(const ScriptedOffice&) = delete;
  ScriptedOffice& operator=(const ScriptedOffice&) = delete;

  // ---- script ----
  // The n-th CreateApplication (1 = first) fails.
  void FailCreation(int n);
  void FailEveryCreation();
  // Open of this exact path fails.
  void FailOpen(const std::string& path);
  void FailEveryOpen();
  // The text Version returns (default "12.0").
  void SetVersion(const std::string& version);
  // Slide count of a presentation opened from path (default 1).
  void SetSlideCount(const std::string& path, int count);
  // SaveAs with the JPEG format succeeds but writes no picture.
  void SetMissingExport(bool missing);
  // The n-th call (1 = first) of member throws; may be given several times.
  void FailCall(const std::string& member, int n);
  // The n-th call of member crashes the office: it throws, the backend's fault is
  // noted ("the office crashed") and every application created so far has ended.
  // A new CreateApplication starts a fresh office. May be given several times.
  void CrashAt(const std::string& member, int n);
  // Every call of member from the n-th on throws.
  void FailCallsFrom(const std::string& member, int n);

  // ---- observation ----
  std::vector<std::string> Journal() const;
  // Journal lines that start with prefix, in order.
  std::vector<std::string> JournalOf(const std::string& prefix) const;
  void ClearJournal();
  // Calls of member so far, failing ones included.
  int CallCount(const std::string& member) const;
  int ApplicationsCreated() const;
  // Applications created and not yet quit.
  int ApplicationsRunning() const;
  // Presentations opened and not yet closed.
  int PresentationsOpen() const;

  std::shared_ptr<office::Application> CreateApplication(const std::string& prog_id) override;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace vlx::testing
