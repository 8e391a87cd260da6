#pragma once
// The fourteen tree images: the bitmap id of each, in the order the window's image list holds
// them, and the image a member node gets from its kind and access.

#include <array>
#include <string_view>

namespace quarrow {

// Bitmap ids in image-list order; an image index is a position in this table.
inline constexpr std::array<int, 14> kTreeImageIds = {148, 139, 140, 141, 149, 142, 143,
                                                      144, 135, 146, 145, 136, 137, 138};

// Image indices by use.
inline constexpr int kImageFieldDefault = 0;
inline constexpr int kImageFieldPrivate = 1;
inline constexpr int kImageFieldProtected = 2;
inline constexpr int kImageFieldPublic = 3;
inline constexpr int kImageMethodDefault = 4;
inline constexpr int kImageMethodPrivate = 5;
inline constexpr int kImageMethodProtected = 6;
inline constexpr int kImageMethodPublic = 7;
inline constexpr int kImageClass = 8;
inline constexpr int kImagePackage = 9;
inline constexpr int kImageInterface = 10;
inline constexpr int kImageFile = 11;
inline constexpr int kImageFolderClosed = 12;
inline constexpr int kImageFolderOpen = 13;

// The position of bitmap `id` in the table; 0 for an id that is not in it.
constexpr int ImageIndexOf(int id) noexcept {
    for (std::size_t i = 0; i < kTreeImageIds.size(); ++i) {
        if (kTreeImageIds[i] == id) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

// The image of a member node: by kind "p", "c", "i", "m", "f", and for methods and fields by the
// access word ("default", "public", "protected", "private", exactly as written). A method or
// field with any other access word shows its "default" image; a tag of any other kind shows the
// field's "default" image (index 0), the plainest picture of the table.
int MemberImageOf(std::string_view kind, std::string_view access) noexcept;

}  // namespace quarrow
