#pragma once
// Writes a built TagTree as text, one node a line: two blanks of indent per level, the image
// index, a blank, the label, and " [expanded]" after a node that the builder expanded (or that a
// filter shows open).

#include <cstdio>
#include <string>

#include "tree/tag_tree.h"

namespace quarrow {

class TagTreeFilter;

// Appends the printed tree to `out`.
void PrintTagTree(const TagTree& tree, std::string& out);
// Writes the printed tree to `file`; false when a write fails.
bool PrintTagTree(const TagTree& tree, std::FILE* file);
// The same for the nodes `filter` (made from `tree`) keeps.
void PrintTagTree(const TagTree& tree, const TagTreeFilter& filter, std::string& out);
bool PrintTagTree(const TagTree& tree, const TagTreeFilter& filter, std::FILE* file);

}  // namespace quarrow
