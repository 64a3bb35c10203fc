#include "zeprobe/errors.h"

#include <gtest/gtest.h>

#include <string>

namespace zeprobe {
namespace {

TEST(CheckCall, GivenAResultWithTheHighBitSet_WhenCheckingTheCall_ThenTheCodeIsSignedDecimal) {
  try {
    checkCall<FatalError>(static_cast<ze_result_t>(0x80000001u), "zeInit");
    ADD_FAILURE() << "no error raised";
  } catch (const FatalError& error) {
    EXPECT_EQ(std::string(error.what()), "zeInit failed: -2147483647");
  }
}

}  // namespace
}  // namespace zeprobe
