// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "common/RetryDelay.h"

namespace corvalin {
namespace {

TEST(RetryDelay, DoublesUpToTheLongestAndStartsOverAfterASuccess) {
    using std::chrono::milliseconds;
    RetryDelay retry(milliseconds(2000), milliseconds(10000));
    std::vector<int64_t> waits;
    for (int i = 0; i < 5; ++i) waits.push_back(retry.Failed().count());
    EXPECT_EQ(waits, (std::vector<int64_t>{2000, 4000, 8000, 10000, 10000}));
    retry.Succeeded();
    EXPECT_EQ(retry.Failed().count(), 2000);
}

}  // namespace
}  // namespace corvalin
