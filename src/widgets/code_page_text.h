#pragma once
// Text of the locale's code page (profile values, paths, tags file names) in an edit field and
// back. Every byte survives the trip: a byte that the code page cannot decode, or whose character
// would not encode back to the same bytes, shows as one private-use character (U+F780 + the
// byte's value - 0x80) that the encoding turns back into that byte. Text shown and taken back
// unchanged therefore gives the bytes it came from, whatever they were.

#include <QString>

#include <string>
#include <string_view>

#include "tags/code_page.h"

namespace quarrow::ui {

QString EditTextFromBytes(std::string_view bytes, CodePage cp);
std::string BytesFromEditText(const QString& text, CodePage cp);

// A path that a file dialog gave, as the file system names it (the toolkit's file name rules).
std::string BytesOfChosenPath(const QString& path);
// A path as the toolkit names files: a file dialog's start folder or proposed name, a file to
// watch, a path shown to the user.
QString PathFromBytes(std::string_view path);

}  // namespace quarrow::ui
