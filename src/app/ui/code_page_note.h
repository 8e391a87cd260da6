#pragma once
// Tells in the window's status bar that the shown tags file was found to be Shift-JIS: no code
// page was given and its bytes chose 932, so that a user who sees Japanese names knows why,
// and one who expected UTF-8 knows where to look ("TAGS"/"CODEPAGE").

#include <QString>

class QWidget;

namespace quarrow {
class CQuarrowDoc;
}

namespace quarrow::ui {

// The note for a document whose code page was found from its file's bytes and is 932; empty
// for any other.
QString CodePageNoteText(const CQuarrowDoc& document);

// Shows that note in the status bar of `frame` unless the bar already holds another note, or puts
// away an earlier such note when the file now shown needs none. A frame without the status bar is
// left alone.
void ShowCodePageNote(QWidget& frame, const CQuarrowDoc& document);

}  // namespace quarrow::ui
