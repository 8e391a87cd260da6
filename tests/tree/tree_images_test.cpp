#include <gtest/gtest.h>

#include "tree/tree_images.h"

namespace quarrow {
namespace {

struct MemberImageCase {
    const char* kind;
    const char* access;
    int image;
};

TEST(MemberImageOf, GivesTheImageOfEachKindAndAccess) {
    const MemberImageCase cases[] = {
        {"p", "default", 9}, {"p", "private", 9}, {"p", "", 9},
        {"c", "public", 8},  {"c", "protected", 8}, {"c", "", 8},
        {"i", "public", 10}, {"i", "", 10},
        {"m", "default", 4}, {"m", "public", 7}, {"m", "protected", 6}, {"m", "private", 5},
        {"f", "default", 0}, {"f", "public", 3}, {"f", "protected", 2}, {"f", "private", 1},
        // Access words match exactly; anything else is the kind's "default" image.
        {"m", "", 4}, {"m", "Public", 4}, {"m", "public ", 4}, {"m", "friend", 4},
        {"f", "", 0}, {"f", "PRIVATE", 0},
        // Kinds match whole and exactly; any other kind shows image 0.
        {"", "public", 0}, {"x", "public", 0}, {"M", "public", 0}, {"mm", "public", 0},
        {"e", "public", 0}, {"l", "", 0}, {"kind:m", "public", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MemberImageOf(c.kind, c.access), c.image) << "kind \"" << c.kind << "\" access \"" << c.access << '"';
    }
}

// The images of the Java table sit at the first fourteen places, in the order the builder's
// numbers name them.
TEST(TreeImageIds, PutTheJavaTableBitmapsFirstInImageOrder) {
    const int ids[] = {148, 139, 140, 141, 149, 142, 143, 144, 135, 146, 145, 136, 137, 138};
    for (int index = 0; index < 14; ++index) {
        EXPECT_EQ(kTreeImageIds[static_cast<std::size_t>(index)], ids[index]) << index;
    }
    static_assert(kTreeImageIds[kImageFolderClosed] == 137 && kTreeImageIds[kImageFolderOpen] == 138);
    static_assert(kTreeImageIds[kImageFile] == 136);
}

}  // namespace
}  // namespace quarrow
