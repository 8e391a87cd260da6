#include "app/ui/code_page_note.h"

#include <QCoreApplication>

#include "app/ui/run_status_bar.h"
#include "tags/quarrow_doc.h"

namespace quarrow::ui {

namespace {

QString FoundShiftJisText() {
    return QCoreApplication::translate("CodePageNote", "Shift-JIS (932) のファイルとして読み込みました");
}

}  // namespace

QString CodePageNoteText(const CQuarrowDoc& document) {
    if (document.GivenCodePage() || document.GetCodePage() != CodePage::ShiftJis) {
        return {};
    }
    return FoundShiftJisText();
}

void ShowCodePageNote(QWidget& frame, const CQuarrowDoc& document) {
    auto* bar = frame.findChild<RunStatusBar*>(QString(), Qt::FindDirectChildrenOnly);
    if (bar == nullptr) {
        return;
    }
    // A note about the file itself (from the run that made it) says more: it stays.
    const QString note = CodePageNoteText(document);
    if (!note.isEmpty()) {
        if (bar->NoteText().isEmpty()) {
            bar->ShowNote(note);
        }
    } else if (bar->NoteText() == FoundShiftJisText()) {
        bar->ClearNote();  // said of a file no longer shown
    }
}

}  // namespace quarrow::ui
