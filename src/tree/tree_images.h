#pragma once
// The tree images: the bitmap id of each, in the order the window's image list holds them, and
// the image a member node gets from its kind and access. The first fourteen are the Java tree's;
// the kind icons by language follow them and never move them.

#include <array>
#include <string_view>

namespace quarrow {

// Bitmap ids in image-list order; an image index is a position in this table.
inline constexpr std::array<int, 44> kTreeImageIds = {
    148, 139, 140, 141, 149, 142, 143, 144, 135, 146, 145, 136, 137, 138,
    // The kind icons by language (see kind_icons.h), from index 14 on.
    160, 161, 162, 163, 164, 165, 166, 167, 168, 169, 170, 171, 172, 173, 174,
    175, 176, 177, 178, 179, 180, 181, 182, 183, 184, 185, 186, 187, 188,
    // A file of another language than Java, from index 43 on.
    189};

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
// The kind icons by language. Member-like kinds have a plain picture for tags without an access
// field and four with the access marks, in the order default, private, protected, public.
inline constexpr int kImageNamespace = 14;
inline constexpr int kImageStruct = 15;
inline constexpr int kImageEnum = 16;
inline constexpr int kImageEnumerator = 17;
inline constexpr int kImageMacro = 18;
inline constexpr int kImageTypeAlias = 19;
inline constexpr int kImageNeutral = 20;
inline constexpr int kImageMethodPlain = 21;  // with access: kImageMethodDefault ...
inline constexpr int kImageFieldPlain = 22;   // with access: kImageFieldDefault ...
inline constexpr int kImageFunctionPlain = 23;
inline constexpr int kImageFunctionDefault = 24;
inline constexpr int kImagePrototypePlain = 28;
inline constexpr int kImagePrototypeDefault = 29;
inline constexpr int kImageVariablePlain = 33;
inline constexpr int kImageVariableDefault = 34;
inline constexpr int kImagePropertyPlain = 38;
inline constexpr int kImagePropertyDefault = 39;
// With the kind icons by language, the file of a known language other than Java: a plain page.
inline constexpr int kImagePlainFile = 43;
inline constexpr int kImageCount = 44;
static_assert(kImageCount == static_cast<int>(kTreeImageIds.size()));

// The image of an access word among four images that start at `first` ("default") and go on
// with private, protected and public; any other word is "default".
int AccessImageOf(int first, std::string_view access) noexcept;

// The image of a member node: by kind "p", "c", "i", "m", "f", and for methods and fields by the
// access word ("default", "public", "protected", "private", exactly as written). A method or
// field with any other access word shows its "default" image; a tag of any other kind shows the
// field's "default" image (index 0), the plainest picture of the table.
int MemberImageOf(std::string_view kind, std::string_view access) noexcept;

}  // namespace quarrow
