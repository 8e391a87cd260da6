// The About box: the name and version line and the copyright line the build embeds.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/about/version_info_dlg.h"
#include "app/version_info.h"
#include "dialog_test_support.h"
#include "platform/message_sink.h"

namespace quarrow::ui {
namespace {

namespace id = version_info_dlg_id;
using test::Edit;

TEST(VersionInfo, theBuildEmbedsNameVersionAndCopyright) {
    const VersionInfo info = BuiltInVersionInfo();
    EXPECT_EQ(info.m_strInternalName, "Quarrow");
    EXPECT_EQ(info.m_strProductVersion, "0, 2, 1, 3");
    EXPECT_FALSE(info.m_strLegalCopyright.empty());
    EXPECT_EQ(FormatNameVersion(info), "Quarrow V0, 2, 1, 3");
    EXPECT_EQ(FormatNameVersion(VersionInfo{"Quarrow", "", "c"}), "Quarrow V");
    EXPECT_EQ(FormatNameVersion(VersionInfo{}), " V");
}

TEST(VersionInfoDlg, showsTheTwoLinesAndClosesWithOk) {
    CVersionInfoDlg dlg;
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Quarrowのﾊﾞｰｼﾞｮﾝ情報"));
    EXPECT_EQ(Edit(dlg.Control(id::kNameVersion))->text(), QStringLiteral("Quarrow V0, 2, 1, 3"));
    EXPECT_EQ(Edit(dlg.Control(id::kCopyright))->text(), test::Qs(BuiltInVersionInfo().m_strLegalCopyright));
    EXPECT_TRUE(Edit(dlg.Control(id::kNameVersion))->isReadOnly());
    EXPECT_TRUE(Edit(dlg.Control(id::kCopyright))->isReadOnly());
    auto* ok = qobject_cast<QPushButton*>(dlg.Control(id::kOk));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(dlg.focusWidget(), ok);
    EXPECT_EQ(test::TabChain(ok),
              (std::vector<QWidget*>{ok, dlg.Control(id::kNameVersion), dlg.Control(id::kCopyright)}));
    QTest::keyClick(ok, Qt::Key_Return);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_FALSE(dlg.isVisible());
}

TEST(VersionInfoDlg, emptyValuesStillOpenAndClose) {
    CVersionInfoDlg dlg(VersionInfo{}, nullptr);
    dlg.show();
    EXPECT_EQ(Edit(dlg.Control(id::kNameVersion))->text(), QStringLiteral(" V"));
    EXPECT_EQ(Edit(dlg.Control(id::kCopyright))->text(), QString());
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

TEST(VersionInfoDlg, aLineOverTheCapKeepsTheBoxOpenOnOk) {
    RecordingMessageSink sink;
    CVersionInfoDlg dlg(VersionInfo{"Quarrow", "1", std::string(300, 'c')}, nullptr);
    dlg.SetMessageSink(&sink);
    dlg.show();
    QTest::mouseClick(dlg.Control(id::kOk), Qt::LeftButton);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(sink.messages, std::vector<std::string>{"256 文字以内で入力してください。"});
    dlg.reject();
}

TEST(VersionInfoDlg, aboutCommandShowsTheBoxModally) {
    bool seen = false;
    test::WhenModal<CVersionInfoDlg>([&seen](CVersionInfoDlg* shown) {
        seen = Edit(shown->Control(id::kNameVersion))->text() == QStringLiteral("Quarrow V0, 2, 1, 3");
        shown->accept();
    });
    OnAboutCommand(nullptr);
    EXPECT_TRUE(seen);
}

}  // namespace
}  // namespace quarrow::ui
