#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/startup_rules.h"
#include "settings/profile.h"
#include "support/scratch_folder.h"

namespace quarrow {
namespace {

struct RecentSizeCase {
    const char* name;
    const char* stored;        // nullptr: key missing
    std::optional<int> capacity;  // nullopt: no list
    const char* storedAfter;
};

// A failing row is reported by its name, not by its bytes.
void PrintTo(const RecentSizeCase& c, std::ostream* out) { *out << c.name; }

const RecentSizeCase kRecentSizeCases[] = {
    {"missing_default20_writtenBack", nullptr, 20, "20"},
    {"zero_noList_keyKeepsZero", "0", std::nullopt, "0"},
    {"negative_noList_valueLeftAsItIs", "-3", std::nullopt, "-3"},
    {"four_listOfFour", "4", 4, "4"},
    {"aboveMenu_listKeepsThatMany", "40", 40, "40"},
    {"notANumber_readsAsZero_noList", "abc", std::nullopt, "0"},
};

class SizeRecentFileListTest : public testing::TestWithParam<RecentSizeCase> {};

TEST_P(SizeRecentFileListTest, sizesAndWritesBack) {
    const RecentSizeCase& c = GetParam();
    test::ScratchFolder temp{"app"};
    Profile profile(temp / "Quarrow.INI");
    if (c.stored != nullptr) {
        profile.WriteString("TAGS", "RECENTSIZE", c.stored);
    }
    for (int i = 1; i <= 5; ++i) {
        profile.WriteString("Recent File List", "File" + std::to_string(i), "/t/" + std::to_string(i) + ".tags");
    }

    const std::optional<RecentFileList> list = SizeRecentFileList(profile);

    ASSERT_EQ(list.has_value(), c.capacity.has_value());
    if (list) {
        EXPECT_EQ(list->Capacity(), *c.capacity);
        const std::size_t expectedEntries = std::min<std::size_t>(5, static_cast<std::size_t>(*c.capacity));
        ASSERT_EQ(list->Entries().size(), expectedEntries);
        EXPECT_EQ(list->Entries().front(), "/t/1.tags");
    }
    EXPECT_EQ(profile.ReadString("TAGS", "RECENTSIZE", "<missing>"), c.storedAfter);
}

INSTANTIATE_TEST_SUITE_P(Cases, SizeRecentFileListTest, testing::ValuesIn(kRecentSizeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SingleInstanceRuleApplies, onlyMultiViewExactlyOneAllowsSeveral) {
    test::ScratchFolder temp{"app"};
    Profile profile(temp / "Quarrow.INI");
    EXPECT_TRUE(SingleInstanceRuleApplies(profile)) << "missing key: default 0";
    const std::vector<std::pair<const char*, bool>> cases = {
        {"0", true}, {"1", false}, {"2", true}, {"-1", true}, {" 1 ", false}};
    for (const auto& [value, applies] : cases) {
        profile.WriteString("SYSTEM", "MULTIVIEW", value);
        EXPECT_EQ(SingleInstanceRuleApplies(profile), applies) << "MULTIVIEW=" << value;
    }
}

TEST(DefaultTagsWindowTitle, isTheDefaultTagsFileAndTheApplicationTitle) {
    EXPECT_EQ(DefaultTagsWindowTitle(), "QR-SOURCE.tags - Quarrow");
}

}  // namespace
}  // namespace quarrow
