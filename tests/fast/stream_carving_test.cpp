// The three carving passes sharing one read of the file find, copy and show exactly what
// each finds, copies and shows on its own, wherever their candidates lie against each
// other and against the edges of the scan's chunks and of the file.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/fast/carve_streams.h"
#include "tests/fast/carving_fixture.h"

namespace vlx::testing {
namespace {

constexpr size_t kChunk = 64 * 1024;
constexpr size_t kWindow = (4 << 20) + (64 << 10);

// Every status, counter and percentage, in the order they were sent.
class TrailSink : public RecordingSink {
 public:
  void SetProgress(int percent) override {
    RecordingSink::SetProgress(percent);
    trail.push_back("%" + std::to_string(percent));
  }
  void SetCounter(const std::string& text) override {
    RecordingSink::SetCounter(text);
    trail.push_back("#" + text);
  }
  std::vector<std::string> trail;
};

struct Outcome {
  std::vector<bool> ended;
  std::vector<std::string> trail;
  std::string log;
  Bytes doc, user, pic;
  bool has_doc = false, has_user = false, has_pic = false;
};

struct TrailRun : CarvingRun {
  TrailSink trail;
  RunEnvironment trail_env{trail,     this->trace, stop,    workspace,         view, images,
                           templates, &office,     nullptr, env.output_folder, "Rec"};
  RecoveryJob trail_job{trail_env};

  Outcome Result(std::vector<bool> ended) {
    Outcome o;
    o.ended = std::move(ended);
    o.trail = trail.trail;
    o.log = trail.log;
    if ((o.has_doc = Exists("docfile"))) o.doc = Carved("docfile");
    if ((o.has_user = Exists("userfile"))) o.user = Carved("userfile");
    if ((o.has_pic = Exists("picfile"))) o.pic = Carved("picfile");
    return o;
  }
};

Outcome Separately(const Bytes& bytes) {
  TrailRun run;
  auto file = run.Damaged(bytes);
  std::vector<bool> ended = {CarveDocumentStream(run.trail_job, *file),
                             CarveCurrentUser(run.trail_job, *file),
                             CarvePicturesStream(run.trail_job, *file)};
  return run.Result(ended);
}

Outcome Together(const Bytes& bytes) {
  TrailRun run;
  auto file = run.Damaged(bytes);
  StreamCarving carving(run.trail_job, *file);
  std::vector<bool> ended = {carving.CarveDocumentStream(), carving.CarveCurrentUser(),
                             carving.CarvePicturesStream()};
  return run.Result(ended);
}

void ExpectSame(const Outcome& together, const Outcome& separately) {
  EXPECT_EQ(together.ended, separately.ended);
  EXPECT_EQ(together.has_doc, separately.has_doc);
  EXPECT_EQ(together.has_user, separately.has_user);
  EXPECT_EQ(together.has_pic, separately.has_pic);
  EXPECT_TRUE(together.doc == separately.doc) << "document copies differ";
  EXPECT_TRUE(together.user == separately.user) << "Current User blocks differ";
  EXPECT_TRUE(together.pic == separately.pic) << "picture copies differ";
  EXPECT_EQ(together.log, separately.log);
  ASSERT_EQ(together.trail.size(), separately.trail.size());
  EXPECT_TRUE(together.trail == separately.trail) << "progress differs";
}

struct Layout {
  const char* what;
  size_t length;
  std::function<void(Bytes&)> put;
};

TEST(StreamCarving, FindsCopiesAndShowsWhatEachPassDoesOnItsOwn) {
  const size_t big = kWindow + 3 * kChunk + 40;
  const std::vector<Layout> layouts = {
      {"nothing to find", big, [](Bytes&) {}},
      {"later passes' candidates before the first's", big,
       [](Bytes& b) {
         PutCurrentUserAtom(b, 64 * 3);
         PutPictureRecord(b, 512 * 2);
         PutDocumentContainer(b, kWindow + 512, 300);
       }},
      {"later passes' candidates after the first's", big,
       [](Bytes& b) {
         PutDocumentContainer(b, 0, 300);
         PutCurrentUserAtom(b, kWindow + 64);
         PutPictureRecord(b, kWindow + kChunk);
       }},
      {"candidates on each side of chunk and window edges", big,
       [](Bytes& b) {
         PutPictureRecord(b, kChunk - 512);
         PutCurrentUserAtom(b, kChunk);
         PutDocumentContainer(b, kWindow, 300);
       }},
      {"a candidate between tested offsets and one the file's end cuts", kChunk + 64 * 5 + 6,
       [](Bytes& b) {
         PutCurrentUserAtom(b, 512 + 32);  // not a tested offset
         PutCurrentUserAtom(b, kChunk + 64 * 5);
       }},
      {"a picture in the untested last block, a container in the middle", 3 * kChunk,
       [](Bytes& b) {
         PutPictureRecord(b, 3 * kChunk - 512);
         PutDocumentContainer(b, kChunk + 1024, 200);
       }},
      {"a file shorter than a header", 5, [](Bytes&) {}},
  };
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layout.what);
    Bytes bytes = Filler(layout.length);
    layout.put(bytes);
    ExpectSame(Together(bytes), Separately(bytes));
  }
}

TEST(StreamCarving, AStopDuringTheFirstPassEndsTheOthersWithoutFiles) {
  const size_t length = 1 << 20;
  Bytes bytes = Filler(length);
  PutCurrentUserAtom(bytes, 4096);  // found by the first pass's read before the stop
  PutDocumentContainer(bytes, length - 4096);
  StoppingRun run;
  auto file = run.Damaged(bytes);
  StreamCarving carving(run.stopping_job, *file);
  EXPECT_FALSE(carving.CarveDocumentStream());
  EXPECT_FALSE(carving.CarveCurrentUser());
  EXPECT_FALSE(carving.CarvePicturesStream());
  EXPECT_FALSE(run.Exists("docfile"));
  EXPECT_FALSE(run.Exists("userfile"));
  EXPECT_EQ(run.stopping.last_progress, 50);
}

}  // namespace
}  // namespace vlx::testing
