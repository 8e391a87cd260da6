#include "tree/tree_images.h"

namespace quarrow {

int AccessImageOf(int first, std::string_view access) noexcept {
    if (access == "default") {
        return first;
    }
    if (access == "public") {
        return first + 3;
    }
    if (access == "protected") {
        return first + 2;
    }
    if (access == "private") {
        return first + 1;
    }
    return first;
}

int MemberImageOf(std::string_view kind, std::string_view access) noexcept {
    // Every kind of the table is one letter: anything longer is unknown at once.
    if (kind.size() != 1) {
        return kImageFieldDefault;
    }
    // Fields and methods share the order of their four access images (default, private,
    // protected, public); `first` is the "default" one.
    auto byAccess = [access](int first) { return AccessImageOf(first, access); };
    if (kind == "p") {
        return kImagePackage;
    }
    if (kind == "c") {
        return kImageClass;
    }
    if (kind == "i") {
        return kImageInterface;
    }
    if (kind == "m") {
        return byAccess(kImageMethodDefault);
    }
    if (kind == "f") {
        return byAccess(kImageFieldDefault);
    }
    return kImageFieldDefault;
}

}  // namespace quarrow
