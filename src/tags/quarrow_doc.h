#pragma once
// The one document: the tag store of the tags file loaded last, its path and folder. It loads,
// sorts and writes the store and leaves the loaded path in the profile when it is destroyed. The
// window's document class only forwards to it.

#include <cstdio>
#include <optional>
#include <string>

#include "tags/code_page.h"
#include "tags/load_progress.h"
#include "tags/tag_file_reader.h"
#include "tags/tag_store.h"

namespace quarrow {

class Profile;

// Why the framework could not open a file for the document.
enum class FileError {
    None,
    NotFound,      // "%1 が見つかりませんでした。"
    BadPath,       // "%1 には無効なﾊﾟｽが含まれています。" (the folder does not exist)
    AccessDenied,  // exists but cannot be read
    NotAFile,      // a directory or another kind of file that cannot be read as text
    OutOfMemory,   // the records (or the window's tree of them) do not fit in the memory to be had
    Cancelled,     // the load was asked to stop; nothing to report
};

class CQuarrowDoc final {
public:
    // `profile` receives "TAGS"/"LASTTAGS" on destruction; it may be null (tools, tests).
    // `codePage` is the tags files' code page, or empty for the one each file's bytes tell.
    explicit CQuarrowDoc(Profile* profile = nullptr, std::optional<CodePage> codePage = CodePage::Utf8);
    ~CQuarrowDoc();
    CQuarrowDoc(const CQuarrowDoc&) = delete;
    CQuarrowDoc& operator=(const CQuarrowDoc&) = delete;

    // The framework's open: checks that the file can be opened (reporting why not), then loads
    // it. On failure nothing of the document changes.
    FileError OpenDocument(const std::string& fullPath);
    // The two halves of OpenDocument, for a caller that needs more memory for the file (the
    // window's tree) before it may let the shown one go. ReadDocument reads and orders the file
    // into `store` and changes nothing of the document; a load that cannot get its memory is
    // OutOfMemory; one that `progress` (may be null) asks to stop is Cancelled. AdoptDocument
    // makes the store and path the document's and hands back the previous store (whose records the
    // caller may still be showing).
    FileError ReadDocument(const std::string& fullPath, TagStore& store, LoadProgress* progress = nullptr) const;
    [[nodiscard]] TagStore AdoptDocument(std::string fullPath, TagStore store);
    // The framework's save under a name: writes the store to `path`. False when it cannot.
    bool SaveDocumentAs(const std::string& path) const;

    // Whether loads map the file or read it (the default): see FileAccess.
    void SetFileAccess(FileAccess access) noexcept { m_access = access; }

    void SetTagsPath(std::string path);
    bool LoadTags();
    void SortTags();
    bool WriteTags(std::FILE* file) const;
    void DeleteTags();

    const TagStore& GetTags() const noexcept { return m_arrTags; }
    std::string GetTagsDir() const { return m_strTagsDir; }
    const std::string& GetTagsPath() const noexcept { return m_strTagsPath; }
    // The code page of the loaded file: the one given, else the one found for it.
    CodePage GetCodePage() const noexcept { return m_codePage ? *m_codePage : m_arrTags.GetCodePage(); }
    // The code page given for the tags files; empty when each file's bytes tell.
    std::optional<CodePage> GivenCodePage() const noexcept { return m_codePage; }

private:
    Profile* m_pProfile;
    std::optional<CodePage> m_codePage;
    FileAccess m_access = FileAccess::Read;
    std::string m_strTagsPath;
    std::string m_strLastTagsAtStart;  // "LASTTAGS" as the window found it
    std::string m_strTagsDir;
    TagStore m_arrTags;
};

// The tags files' code page as the profile asks for it ("TAGS"/"CODEPAGE"); empty for "auto",
// the default, and for any value that is not a code page the reader knows.
std::optional<CodePage> ReadTagsCodePage(const Profile& profile);

// Why `fullPath` cannot be opened for reading, or FileError::None when it can: the checks a load
// makes first, cheap enough for the window's thread.
FileError CheckReadable(const std::string& fullPath);

// The message the framework shows for `error`, with `path` for %1 (UTF-8 text, path bytes as is).
std::string FileErrorMessage(FileError error, const std::string& path);

}  // namespace quarrow
