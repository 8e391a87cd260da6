#include "tags/quarrow_doc.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <stdexcept>
#include <utility>

#include "platform/path_rules.h"
#include "settings/atomic_file.h"
#include "settings/profile.h"
#include "settings/setting_keys.h"
#include "tags/code_page_detect.h"
#include "tags/load_times.h"
#include "tags/tag_file_reader.h"
#include "tags/tag_order.h"

namespace quarrow {

namespace {

// Replaces every "%1" of `pattern` by `path`.
std::string Substitute(std::string_view pattern, const std::string& path) {
    std::string text;
    std::size_t pos = 0;
    for (std::size_t at = pattern.find("%1"); at != std::string_view::npos; at = pattern.find("%1", pos)) {
        text.append(pattern.substr(pos, at - pos));
        text.append(path);
        pos = at + 2;
    }
    text.append(pattern.substr(pos));
    return text;
}

}  // namespace

FileError CheckReadable(const std::string& fullPath) {
    if (fullPath.empty()) {
        return FileError::BadPath;
    }
    struct stat info {};
    if (::stat(fullPath.c_str(), &info) != 0) {
        switch (errno) {
        case EACCES:
            return FileError::AccessDenied;
        case ENOENT: {
            // Missing file in an existing folder, or a missing folder.
            const std::size_t slash = fullPath.rfind(path_rules::kSeparator);
            if (slash == std::string::npos) {
                return FileError::NotFound;
            }
            const std::string folder = slash == 0 ? std::string(1, path_rules::kSeparator) : fullPath.substr(0, slash);
            struct stat folderInfo {};
            if (::stat(folder.c_str(), &folderInfo) == 0 && S_ISDIR(folderInfo.st_mode)) {
                return FileError::NotFound;
            }
            return FileError::BadPath;
        }
        default:  // ENOTDIR, ENAMETOOLONG, ELOOP and the like
            return FileError::BadPath;
        }
    }
    if (!S_ISREG(info.st_mode)) {
        return FileError::NotAFile;
    }
    const int fd = ::open(fullPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return errno == EACCES || errno == EPERM ? FileError::AccessDenied : FileError::BadPath;
    }
    ::close(fd);
    return FileError::None;
}

std::optional<CodePage> ReadTagsCodePage(const Profile& profile) {
    return CodePageFromSetting(
        profile.ReadString(setting_keys::kTags, setting_keys::kCodePage, setting_defaults::kCodePage));
}

CQuarrowDoc::CQuarrowDoc(Profile* profile, std::optional<CodePage> codePage) : m_pProfile(profile), m_codePage(codePage) {
    if (m_pProfile != nullptr) {
        m_strLastTagsAtStart =
            m_pProfile->ReadString(setting_keys::kTags, setting_keys::kLastTags, setting_defaults::kLastTags);
    }
}

CQuarrowDoc::~CQuarrowDoc() {
    // Start-up may open this file again; an empty value says nothing was loaded. A window that
    // showed the file it found there leaves a value another window wrote meanwhile.
    if (m_pProfile != nullptr) {
        m_pProfile->WriteBackString(setting_keys::kTags, setting_keys::kLastTags, m_strTagsPath, m_strLastTagsAtStart,
                                    setting_defaults::kLastTags);
    }
}

FileError CQuarrowDoc::OpenDocument(const std::string& fullPath) {
    TagStore store;
    const FileError error = ReadDocument(fullPath, store);
    if (error == FileError::None) {
        const TagStore previous = AdoptDocument(fullPath, std::move(store));  // freed here
    }
    return error;
}

FileError CQuarrowDoc::ReadDocument(const std::string& fullPath, TagStore& store, LoadProgress* progress) const {
    store.Clear();
    const FileError error = CheckReadable(fullPath);
    if (error != FileError::None) {
        return error;
    }
    try {
        // A file that vanished since the check simply gives an empty store.
        if (ReadTagsFile(fullPath, m_codePage, store, progress, m_access)) {
            BeginStage(progress, LoadStage::Ordering, store.size());
            if (SortTagStore(store, progress)) {
                Advance(progress, store.size());
            }
            MarkLoadStage("order");
        }
        if (StopRequested(progress)) {
            store.Clear();
            return FileError::Cancelled;
        }
    } catch (const std::bad_alloc&) {
        store.Clear();
        return FileError::OutOfMemory;
    } catch (const std::length_error&) {  // more records than a vector may hold
        store.Clear();
        return FileError::OutOfMemory;
    }
    return FileError::None;
}

TagStore CQuarrowDoc::AdoptDocument(std::string fullPath, TagStore store) {
    SetTagsPath(std::move(fullPath));
    std::swap(m_arrTags, store);
    return store;
}

bool CQuarrowDoc::SaveDocumentAs(const std::string& path) const {
    // A new file beside the target takes the lines and replaces the target only once it is
    // complete, so a full disk or a killed process never leaves a mix of old and new. A link
    // keeps pointing where it did; a FIFO or another file that is not a regular one is refused.
    return atomic_file::Replace(atomic_file::ResolveLinks(path), [this](std::FILE* file) { return WriteTags(file); });
}

void CQuarrowDoc::SetTagsPath(std::string path) {
    const std::size_t slash = path.rfind(path_rules::kSeparator);
    if (slash != std::string::npos) {
        m_strTagsDir = path.substr(0, slash + 1);
    }
    m_strTagsPath = std::move(path);
}

bool CQuarrowDoc::LoadTags() {
    DeleteTags();
    if (m_strTagsPath.empty()) {
        return true;
    }
    if (!ReadTagsFile(m_strTagsPath, m_codePage, m_arrTags, nullptr, m_access)) {
        return false;
    }
    SortTags();
    return true;
}

void CQuarrowDoc::SortTags() {
    SortTagStore(m_arrTags);
}

bool CQuarrowDoc::WriteTags(std::FILE* file) const {
    if (file == nullptr) {
        return false;
    }
    bool ok = true;
    // The ordered records view lines scattered over the file: ask for the lines a few records
    // ahead so that their cache misses overlap. The stream is this thread's alone meanwhile.
    constexpr std::size_t kAhead = 8;
    const std::size_t count = m_arrTags.size();
    ::flockfile(file);
    for (std::size_t i = 0; i < count; ++i) {
        if (i + 2 * kAhead < count) {
            __builtin_prefetch(&m_arrTags[i + 2 * kAhead]);  // the record, whose text is fetched later
        }
        if (i + kAhead < count) {
            const char* ahead = m_arrTags[i + kAhead].GetText().data();
            __builtin_prefetch(ahead);
            __builtin_prefetch(ahead + 64);
            __builtin_prefetch(ahead + 128);
        }
        const std::string_view text = m_arrTags[i].GetText();
        if ((!text.empty() && ::fwrite_unlocked(text.data(), 1, text.size(), file) != text.size()) ||
            ::putc_unlocked('\n', file) == EOF) {
            ok = false;
            break;
        }
    }
    ::funlockfile(file);
    return std::fflush(file) == 0 && ok && std::ferror(file) == 0;
}

void CQuarrowDoc::DeleteTags() {
    m_arrTags.Clear();
}

std::string FileErrorMessage(FileError error, const std::string& path) {
    switch (error) {
    case FileError::None:
    case FileError::Cancelled:
        return {};
    case FileError::NotFound:
        return Substitute("%1 が見つかりませんでした。", path);
    case FileError::BadPath:
        return Substitute("%1 には無効なﾊﾟｽが含まれています。", path);
    case FileError::AccessDenied:
        return Substitute("%1 にアクセスできません。", path);
    case FileError::NotAFile:
        return Substitute("%1 はファイルではありません。", path);
    case FileError::OutOfMemory:
        return Substitute("%1 を読み込むためのメモリが足りません。", path);
    }
    return {};
}

}  // namespace quarrow
