#pragma once
// Checks of this test process's own state after code that starts programs or changes folders.

#include <string>

namespace quarrow::test {

// True when this process has no child left, neither running nor a zombie.
bool HasNoChildren();

// The process's working folder.
std::string CurrentDir();

}  // namespace quarrow::test
