#pragma once
// The window's document: the tags document of the core with the name the window shows. Loading,
// sorting, saving and the "LASTTAGS" entry are the core's; this class adds the title, the
// path name and the save-under-a-name command.

#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <utility>

#include "widgets/file_chooser.h"
#include "tags/quarrow_doc.h"

class QWidget;

namespace quarrow {
class MessageSink;
class Profile;
}  // namespace quarrow

namespace quarrow::ui {

class CWindowDoc final : public QObject {
    Q_OBJECT
public:

    // `cp` is the system's code page, that of file names; the tags file's own code page is the
    // profile's "CODEPAGE", or the one its bytes tell.
    CWindowDoc(Profile& profile, MessageSink& sink, CodePage cp);
    ~CWindowDoc() override;  // the core writes "TAGS"/"LASTTAGS"
    CWindowDoc(const CWindowDoc&) = delete;
    CWindowDoc& operator=(const CWindowDoc&) = delete;

    // An empty, untitled document ("無題"). The tag store is left as it is.
    bool OnNewDocument();
    // Gets the views ready for a store before the document takes it; throws std::bad_alloc when
    // the memory for that is not there.
    using PrepareViews = std::function<void(const TagStore& store)>;

    // Takes in `fullPath` as a loading thread read it (`error` and `loaded` are what the read
    // gave). On failure (also when the views' tree of it does not fit in memory) the message is
    // shown, except for a cancelled read, and nothing of the document changes. The store shown
    // before is kept until TakePreviousTags, so that the views can move to the new one first.
    bool OnDocumentRead(const std::string& fullPath, FileError error, TagStore loaded,
                        const PrepareViews& prepareViews = {});
    // The store shown before, for whoever frees it elsewhere; this document keeps none.
    TagStore TakePreviousTags() noexcept { return std::exchange(m_previousTags, TagStore()); }

    // The document's command: save under a new name, the dialog owned by `parent`.
    void OnFileSaveAs(QWidget* parent);
    void SetSaveFileChooser(FileChooser chooser) { m_chooseSaveFile = std::move(chooser); }

    const QString& GetTitle() const noexcept { return m_strTitle; }
    const std::string& GetPathName() const noexcept { return m_strPathName; }
    quarrow::CQuarrowDoc& Core() noexcept { return m_doc; }
    const quarrow::CQuarrowDoc& Core() const noexcept { return m_doc; }

private:
    MessageSink& m_sink;
    quarrow::CQuarrowDoc m_doc;
    CodePage m_systemCodePage;
    TagStore m_previousTags;
    QString m_strTitle;
    std::string m_strPathName;
    FileChooser m_chooseSaveFile;  // default: the platform's save dialog
};

// The untitled document's name.
inline constexpr const char* kUntitled = QT_TRANSLATE_NOOP("quarrow::ui::CWindowDoc", "無題");

}  // namespace quarrow::ui
