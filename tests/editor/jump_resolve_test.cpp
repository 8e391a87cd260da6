// Where a jump goes: the source file found under the tags file's folder or under the folder ctags
// ran in, a missing file refused, and the line searched anew or taken as the tags file gives it.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "editor/editor_jump.h"
#include "support/scratch_folder.h"
#include "tags/quarrow_doc.h"
#include "tags/tag_entry.h"

namespace quarrow {
namespace {

const std::string kHeader = "!_TAG_FILE_FORMAT\t2\t/extended format/\n";

class JumpResolveTest : public testing::Test {
protected:
    // Loads a tags file at "tags/x.tags" holding `lines` and returns the jump request of its one tag.
    JumpRequest RequestFor(const std::string& lines, bool refind = true) {
        const std::string path = m_dir.Write("tags/x.tags", lines);
        EXPECT_EQ(m_doc.OpenDocument(path), FileError::None);
        const CTagEntry* tag = nullptr;
        for (const CTagEntry& record : m_doc.GetTags()) {
            if (!record.IsPseudoTag()) {
                tag = &record;
            }
        }
        EXPECT_NE(tag, nullptr);
        return MakeJumpRequest(*tag, {"ed", "+@l @f"}, m_doc.GetTagsDir(), TagsProcCwd(m_doc.GetTags()), refind,
                               CodePage::Utf8);
    }
    std::string ProcCwdHeader() const { return "!_TAG_PROC_CWD\t" + m_dir / "root" + "/\t//\n"; }

    test::ScratchFolder m_dir{"jump"};
    CQuarrowDoc m_doc;
};

const std::string kTag = "run\tsub/A.java\t/^void run() {$/;\"\tm\tline:2\n";
const std::string kSource = "class A {\nvoid run() {\n}\n";

// A tags file made by ctags run elsewhere: its relative names are found under the folder ctags
// ran in when they are not under the tags file's folder.
TEST_F(JumpResolveTest, RelativeNamesFallBackToTheFolderCtagsRanIn) {
    const std::string underRoot = m_dir.Write("root/sub/A.java", kSource);
    JumpPlace place = ResolveJump(RequestFor(kHeader + ProcCwdHeader() + kTag));
    EXPECT_EQ(place.file, underRoot);
    EXPECT_EQ(place.line, "2");
    EXPECT_TRUE(place.startEditor);
    EXPECT_EQ(place.note, JumpNote::None);

    // The tags file's own folder comes first.
    const std::string underTags = m_dir.Write("tags/sub/A.java", kSource);
    place = ResolveJump(RequestFor(kHeader + ProcCwdHeader() + kTag));
    EXPECT_EQ(place.file, underTags);
}

TEST_F(JumpResolveTest, AFileFoundNowhereStartsNoEditor) {
    for (const std::string& header : {kHeader, kHeader + ProcCwdHeader()}) {
        for (const bool refind : {true, false}) {
            SCOPED_TRACE(header + (refind ? "refind" : "no refind"));
            const JumpPlace place = ResolveJump(RequestFor(header + kTag, refind));
            EXPECT_EQ(place.file, m_dir / "tags/sub/A.java");
            EXPECT_FALSE(place.startEditor);
            EXPECT_EQ(place.note, JumpNote::SourceMissing);
        }
    }
}

// With the search on, an unchanged file gives the tags file's own line text; an edited one the
// line the definition has now. Off, the tags file's line whatever the file holds.
TEST_F(JumpResolveTest, TheSearchFollowsTheEditsOnlyWhenOn) {
    m_dir.Write("tags/sub/A.java", kSource);
    EXPECT_EQ(ResolveJump(RequestFor(kHeader + kTag)).line, "2");
    m_dir.Write("tags/sub/A.java", "// new\n// lines\n" + kSource);
    EXPECT_EQ(ResolveJump(RequestFor(kHeader + kTag)).line, "4");
    EXPECT_EQ(ResolveJump(RequestFor(kHeader + kTag, false)).line, "2");

    m_dir.Write("tags/sub/A.java", "class A {}\n");
    const JumpPlace gone = ResolveJump(RequestFor(kHeader + kTag));
    EXPECT_EQ(gone.line, "2");
    EXPECT_EQ(gone.note, JumpNote::DefinitionNotFound);
    EXPECT_TRUE(gone.startEditor);

    // A folder where the file should be: nothing to read, the tags file's line.
    std::filesystem::remove(m_dir / "tags/sub/A.java");
    std::filesystem::create_directory(m_dir / "tags/sub/A.java");
    const JumpPlace unreadable = ResolveJump(RequestFor(kHeader + kTag));
    EXPECT_EQ(unreadable.line, "2");
    EXPECT_EQ(unreadable.note, JumpNote::SourceUnreadable);
}

// A tags file without line numbers gave the editor no line; the search gives it one.
TEST_F(JumpResolveTest, ATagWithoutLineGetsTheLineFound) {
    m_dir.Write("tags/sub/A.java", kSource);
    EXPECT_EQ(ResolveJump(RequestFor(kHeader + "run\tsub/A.java\t/^void run() {$/;\"\tm\n")).line, "2");
    EXPECT_EQ(ResolveJump(RequestFor(kHeader + "run\tsub/A.java\t/^void run() {$/;\"\tm\n", false)).line, "");
    EXPECT_EQ(ResolveJump(RequestFor(kHeader + "run\tsub/A.java\t3;\"\tm\n")).line, "3");
}

}  // namespace
}  // namespace quarrow
