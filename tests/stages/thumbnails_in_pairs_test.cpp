// Slide thumbnails made two at a time: the same thumbnails, in the same order, as made
// one after another, and never two at once for a toolkit that does not allow it.
#include "engine/run/thumbnails_in_pairs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "automation/testing/stub_image_toolkit.h"

namespace vlx::testing {
namespace {

// Thumbnails whose width is the number in the file's name ("7" is 7 wide). Notes which
// thread made each and how many were being made at once at most.
class NumberedToolkit : public StubImageToolkit {
 public:
  explicit NumberedToolkit(bool several_threads) : several_threads_(several_threads) {}
  bool ThumbnailsOnSeveralThreads() const override { return several_threads_; }
  std::optional<Bitmap> MakeThumbnail(const std::string& path, int, int height) override {
    const int at_once = ++busy_;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      most_at_once_ = std::max(most_at_once_, at_once);
      threads_.insert(std::this_thread::get_id());
      asked_.push_back(path);
      // The first waits a while for a second to begin, so that two at once are seen
      // whenever two are made.
      if (several_threads_ && asked_.size() == 1)
        changed_.wait_for(lock, std::chrono::seconds(2), [&] { return asked_.size() > 1; });
      changed_.notify_all();
    }
    --busy_;
    if (path == "missing") return std::nullopt;
    return SolidBitmap(std::stoi(path), height, 0xFF000000);
  }
  int MostAtOnce() {
    std::lock_guard<std::mutex> lock(mutex_);
    return most_at_once_;
  }
  size_t Threads() {
    std::lock_guard<std::mutex> lock(mutex_);
    return threads_.size();
  }
  std::vector<std::string> Asked() {
    std::lock_guard<std::mutex> lock(mutex_);
    return asked_;
  }

 private:
  bool several_threads_;
  std::atomic<int> busy_{0};
  std::mutex mutex_;
  std::condition_variable changed_;
  int most_at_once_ = 0;
  std::set<std::thread::id> threads_;
  std::vector<std::string> asked_;
};

std::string Numbered(int n) {
  return n == 4 ? "missing" : std::to_string(n);
}

TEST(ThumbnailsInPairs, GivesEveryThumbnailInOrderTwoAtATimeWhereTheToolkitAllows) {
  for (bool several : {true, false}) {
    NumberedToolkit images(several);
    {
      ThumbnailsInPairs thumbnails(images, Numbered, 5, 170, 120);
      for (int n = 1; n <= 5; ++n) {
        const std::optional<Bitmap> thumbnail = thumbnails.Take(n);
        if (n == 4) {
          EXPECT_FALSE(thumbnail) << "a file that cannot be loaded gives none";
        } else {
          ASSERT_TRUE(thumbnail) << n;
          EXPECT_EQ(thumbnail->width, n);
        }
      }
    }
    EXPECT_EQ(images.Asked().size(), 5u) << "nothing past the count, nothing twice";
    EXPECT_EQ(images.MostAtOnce(), several ? 2 : 1);
    EXPECT_EQ(images.Threads(), several ? 2u : 1u);
  }
}

TEST(ThumbnailsInPairs, ASkippedThumbnailIsWaitedForAndNotGivenForAnother) {
  NumberedToolkit images(true);
  {
    ThumbnailsInPairs thumbnails(images, Numbered, 6, 170, 120);
    ASSERT_TRUE(thumbnails.Take(1));
    const std::optional<Bitmap> third = thumbnails.Take(3);  // the second was made ahead
    ASSERT_TRUE(third);
    EXPECT_EQ(third->width, 3);
    // Ends with the fourth being made ahead: the end waits for it.
  }
  const std::vector<std::string> asked = images.Asked();
  EXPECT_EQ(std::set<std::string>(asked.begin(), asked.end()),
            (std::set<std::string>{"1", "2", "3", "missing"}));
}

}  // namespace
}  // namespace vlx::testing
