#pragma once
// The tree consistency check as a test expectation.

#include <gtest/gtest.h>

#include "tests/tree/tree_consistency_check.h"

namespace quarrow::test {

inline void ExpectConsistent(const TagTree& tree) { EXPECT_EQ(FirstInconsistency(tree), ""); }

}  // namespace quarrow::test
