#pragma once
// Watches the tags file that is shown, written in place or replaced by a rename, and says when it
// should be read again: once it has been quiet for a moment and its size, time and identity
// stand still, and only when that differs from what was read. A file caught half written is
// therefore not reported until its writer has stopped. It also says when the file is gone.
// The file and its folder are both watched, so a replace by rename, a delete and a return are
// all seen, and the watch follows the new file.

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <string>

#include "platform/file_stamp.h"

namespace quarrow::ui {

class TagsFileWatcher final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kDefaultQuiet{500};

    explicit TagsFileWatcher(QObject* parent = nullptr, std::chrono::milliseconds quiet = kDefaultQuiet);

    // Watches `path`, which has just been read as it stood at `loaded`.
    void Watch(const std::string& path, const FileStamp& loaded);
    // Watches nothing (an empty document).
    void Stop();
    // While paused nothing is reported (the program's own ctags run is writing); on resuming the
    // file is looked at again.
    void SetPaused(bool paused);

    const std::string& Path() const noexcept { return m_strPath; }
    bool IsGone() const noexcept { return m_bReportedGone; }

signals:
    // The file stood still with content other than what was read: read it again.
    void changed(const QString& path, quarrow::FileStamp stamp);
    // The file is gone; `changed` follows when it is back.
    void deleted(const QString& path);

private:
    void OnSomethingChanged();
    void OnQuiet();
    void WatchPaths();

    QFileSystemWatcher m_watcher;
    QTimer m_quiet;
    std::string m_strPath;
    FileStamp m_loaded;  // what the document holds
    FileStamp m_seen;    // at the last sign of a change
    bool m_bPaused = false;
    bool m_bReportedGone = false;
};

}  // namespace quarrow::ui

Q_DECLARE_METATYPE(quarrow::FileStamp)
