#include "app/ui/tags_file_watcher.h"

#include <QFile>

#include "widgets/code_page_text.h"

namespace quarrow::ui {
namespace {

QString FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return QStringLiteral(".");
    }
    return PathFromBytes(slash == 0 ? std::string("/") : path.substr(0, slash));
}

}  // namespace

TagsFileWatcher::TagsFileWatcher(QObject* parent, std::chrono::milliseconds quiet) : QObject(parent) {
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(quiet);
    connect(&m_quiet, &QTimer::timeout, this, &TagsFileWatcher::OnQuiet);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &TagsFileWatcher::OnSomethingChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &TagsFileWatcher::OnSomethingChanged);
}

void TagsFileWatcher::Watch(const std::string& path, const FileStamp& loaded) {
    if (path != m_strPath) {
        Stop();
        m_strPath = path;
    }
    m_loaded = loaded;
    m_seen = loaded;
    m_bReportedGone = !loaded.exists;
    WatchPaths();
    // A change between the read and now has sent no signal yet, or sent it before the watch.
    if (StampOf(m_strPath) != m_loaded) {
        OnSomethingChanged();
    }
}

void TagsFileWatcher::Stop() {
    m_quiet.stop();
    const QStringList paths = m_watcher.files() + m_watcher.directories();
    if (!paths.isEmpty()) {
        m_watcher.removePaths(paths);
    }
    m_strPath.clear();
    m_loaded = {};
    m_seen = {};
    m_bReportedGone = false;
}

void TagsFileWatcher::SetPaused(bool paused) {
    m_bPaused = paused;
    if (!paused && !m_strPath.empty()) {
        OnSomethingChanged();
    }
}

void TagsFileWatcher::WatchPaths() {
    if (m_strPath.empty()) {
        return;
    }
    // A file replaced by a rename or deleted drops out of the watch; add it again once it is back.
    const QString file = PathFromBytes(m_strPath);
    if (!m_watcher.files().contains(file) && QFile::exists(file)) {
        m_watcher.addPath(file);
    }
    const QString folder = FolderOf(m_strPath);
    if (!m_watcher.directories().contains(folder)) {
        m_watcher.addPath(folder);
    }
}

void TagsFileWatcher::OnSomethingChanged() {
    if (m_strPath.empty()) {
        return;
    }
    m_seen = StampOf(m_strPath);
    WatchPaths();
    m_quiet.start();  // again from the start: wait for a quiet moment
}

void TagsFileWatcher::OnQuiet() {
    if (m_strPath.empty() || m_bPaused) {
        return;
    }
    WatchPaths();
    const FileStamp now = StampOf(m_strPath);
    if (now != m_seen) {
        // Still being written, without a signal in between: wait until it stands still.
        m_seen = now;
        m_quiet.start();
        return;
    }
    if (!now.exists) {
        if (!m_bReportedGone) {
            m_bReportedGone = true;
            m_loaded = now;
            emit deleted(PathFromBytes(m_strPath));
        }
        return;
    }
    if (now == m_loaded) {
        return;  // the folder changed, or the file was touched back as it was
    }
    emit changed(PathFromBytes(m_strPath), now);
}

}  // namespace quarrow::ui
