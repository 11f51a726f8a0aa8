#include "UiSupport.h"

namespace {
const auto* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new qlm::testing::QtEnvironment);
}  // namespace
