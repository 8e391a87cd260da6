// The inline comparison of short texts reads them in overlapping words: a difference at any
// byte, for every length around the word sizes, must be seen.

#include <gtest/gtest.h>

#include <string>

#include "tree/short_text.h"

namespace quarrow {
namespace {

TEST(SameShortTextTest, SeesADifferenceAtEveryByte) {
    for (std::size_t length = 0; length <= 20; ++length) {
        const std::string text(length, 'a');
        const std::string same = text;
        EXPECT_TRUE(SameShortText(text, same)) << length;
        EXPECT_FALSE(SameShortText(text, text + 'a')) << length;
        for (std::size_t at = 0; at < length; ++at) {
            std::string other = text;
            other[at] = 'b';
            EXPECT_FALSE(SameShortText(text, other)) << length << " at " << at;
        }
    }
}

}  // namespace
}  // namespace quarrow
