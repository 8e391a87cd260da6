#pragma once
// The file dialogs of the settings and tags-creation dialogs, behind one replaceable function so
// that tests choose a file without a real dialog.

#include <QString>

#include <functional>
#include <string_view>

class QWidget;

namespace quarrow::ui {

// What a dialog asks of the file chooser.
struct FileChooserRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    QString title;          // empty: the platform's default title
    QString filter;         // Qt notation: "tags (*.tags);;All Files (*)"
    QString defaultSuffix;  // without the dot; added to a typed name that has no suffix
    bool confirmOverwrite = true;
    QString directory;      // the folder the dialog starts in; empty: the platform's choice
    QString fileName;       // the name it proposes; empty: none
};

// A request that starts in the folder of `shownFile` (bytes as the file system names it) and, when
// `proposeName`, offers its name. An empty path leaves both to the platform.
void StartAtFile(FileChooserRequest& request, std::string_view shownFile, bool proposeName);

// Returns the chosen full path, or an empty text when the user cancelled.
using FileChooser = std::function<QString(QWidget* parent, const FileChooserRequest& request)>;

// The real chooser: a modal QFileDialog with the request's settings (read-only box hidden).
QString ShowFileDialog(QWidget* parent, const FileChooserRequest& request);

// Turns a filter in the "display|pattern|display|pattern||" notation into Qt's notation. The
// pattern of each pair replaces the one the display text shows, and "*.*" becomes "*", which is
// what "all files" means where names need not have a dot.
QString QtFilterFromPairs(std::string_view pairs);

}  // namespace quarrow::ui
