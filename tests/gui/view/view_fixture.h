#pragma once
// A temporary folder with a profile and tags files, a document loaded from one of them, and a
// view over it that records its jumps instead of starting an editor.

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/message_sink.h"
#include "settings/profile.h"
#include "support/scratch_folder.h"
#include "tags/quarrow_doc.h"
#include "tags/tag_entry.h"
#include "tree/ui/quarrow_view.h"

namespace quarrow::ui::testing {

// Two files in two folders; the tool tip's source lines have TABs and indentation.
inline const char* const kTwoFiles =
    "!_TAG_FILE_FORMAT\t2\t/extended format/\n"
    "com.example.util\tsrc/util/Strings.java\t/^package com.example.util;$/;\"\tp\tline:1\n"
    "Strings\tsrc/util/Strings.java\t/^public final class Strings {$/;\"\tc\tline:3\taccess:public\n"
    "join\tsrc/util/Strings.java\t/^\t  public static String\tjoin(String a) {  $/;\"\tm\tline:5\tclass:Strings\taccess:public\n"
    "EMPTY\tsrc/util/Strings.java\t/^    static final String EMPTY = \"\";$/;\"\tf\tline:4\tclass:Strings\taccess:default\n"
    "Main\tsrc/app/Main.java\t/^public class Main {$/;\"\tc\tline:3\taccess:public\n"
    "run\tsrc/app/Main.java\t/^    private void run() {$/;\"\tm\tline:9\tclass:Main\taccess:private\n"
    "Lone\tsrc/app/Lone.java\t/^interface Lone {}$/;\"\ti\tline:2\taccess:public\n";

// One file in one folder: the builder opens both.
inline const char* const kOneFile =
    "Solo\tpkg/Solo.java\t/^class Solo {$/;\"\tc\tline:1\taccess:public\n"
    "go\tpkg/Solo.java\t/^  void go() {$/;\"\tm\tline:2\tclass:Solo\taccess:protected\n";

class ViewFixture : public ::testing::Test {
protected:
    void SetUp() override { m_profile = std::make_unique<Profile>(Path("quarrow.INI")); }

    std::string Path(const std::string& name) const { return m_dir / name; }

    std::string WriteFile(const std::string& name, const std::string& text) {
        const std::string path = Path(name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // Loads `text` as a tags file and shows it in a new view (made on first use).
    void Show(const std::string& text, const std::string& name = "test.tags") {
        if (!m_doc) {
            m_doc = std::make_unique<CQuarrowDoc>(nullptr);
        }
        // The shown tree views the previous store's records until the new tree replaces it, as in
        // the window: that store is only let go after the update.
        const std::string path = WriteFile(name, text);
        TagStore loaded;
        ASSERT_EQ(m_doc->ReadDocument(path, loaded), FileError::None);
        const TagStore previous = m_doc->AdoptDocument(path, std::move(loaded));
        if (!m_view) {
            m_view = std::make_unique<CQuarrowView>(*m_profile, m_sink);
            m_view->SetDocument(m_doc.get());
            m_view->SetJumpFunction([this](const EditorTemplate&, const CTagEntry& tag, const std::string& dir) {
                m_jumps.push_back(std::string(tag.GetName()) + "@" + tag.GetLineNo() + " in " + dir);
            });
            m_view->resize(400, 400);
            m_view->show();
        }
        m_view->OnInitialUpdate();
    }

    // The index of the node with `label` (searched through the whole tree, rows a large node
    // has not handed over yet included).
    QModelIndex Find(const QString& label, const QModelIndex& parent = {}) const {
        TagTreeItemModel& model = m_view->Model();
        model.FetchAll(model.IdOf(parent));
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex index = model.index(row, 0, parent);
            if (model.LabelOf(index) == label) {
                return index;
            }
            if (const QModelIndex found = Find(label, index); found.isValid()) {
                return found;
            }
        }
        return {};
    }

    // A point on the node's label, in viewport coordinates (the node is made visible first).
    QPoint LabelPoint(const QModelIndex& index) {
        m_view->scrollTo(index);
        const QRect content = m_view->ItemContentRect(index);
        return QPoint(content.right() - 4, content.center().y());
    }
    QPoint IconPoint(const QModelIndex& index) {
        m_view->scrollTo(index);
        const QRect rect = m_view->visualRect(index);
        return QPoint(rect.left() + 2 + m_view->iconSize().width() / 2, rect.center().y());
    }

    test::ScratchFolder m_dir{"view"};
    std::unique_ptr<Profile> m_profile;
    RecordingMessageSink m_sink;
    std::unique_ptr<CQuarrowDoc> m_doc;
    std::unique_ptr<CQuarrowView> m_view;
    std::vector<std::string> m_jumps;
};

}  // namespace quarrow::ui::testing
