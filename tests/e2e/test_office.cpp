#include <memory>

#include "tests/e2e/e2e_fixture.h"

namespace vlx::e2e {
namespace {

std::unique_ptr<LibreOfficeServer> office;

class OfficeEnding : public ::testing::Environment {
 public:
  void TearDown() override { office.reset(); }
};

[[maybe_unused]] const auto* const kOfficeEnding =
    ::testing::AddGlobalTestEnvironment(new OfficeEnding);

}  // namespace

LibreOfficeServer& TestOffice() {
  if (!office) office = std::make_unique<LibreOfficeServer>();
  return *office;
}

}  // namespace vlx::e2e
