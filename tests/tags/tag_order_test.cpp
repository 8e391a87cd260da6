#include "tags/tag_order.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "exchange_sort_oracle.h"
#include "support/scratch_folder.h"
#include "tags/tag_file_reader.h"

namespace quarrow {
namespace {

using test::ExchangeSort;
using test::Identities;

// Records parsed from lines that live in one buffer, as the reader makes them.
class LineStore final {
public:
    explicit LineStore(const std::vector<std::string>& lines) {
        std::vector<std::size_t> starts;
        for (const std::string& line : lines) {
            starts.push_back(m_bytes.size());
            m_bytes += line;
            m_bytes += '\n';
        }
        for (std::size_t i = 0; i < lines.size(); ++i) {
            m_records.emplace_back().Parse(std::string_view(m_bytes).substr(starts[i], lines[i].size() + 1), CodePage::Utf8);
        }
    }
    const std::vector<CTagEntry>& Records() const noexcept { return m_records; }

private:
    std::string m_bytes;
    std::vector<CTagEntry> m_records;
};

// A tag line as ctags writes it; an empty class leaves the field out.
std::string TagLine(const std::string& file, const std::string& cls, const std::string& kind, const std::string& name) {
    std::string line = name + "\t" + file + "\t/^" + name + "$/;\"\t" + kind + "\tline:1";
    if (!cls.empty()) {
        line += "\tclass:" + cls;
    }
    return line;
}

// "n" and a number, a name of its own for each number.
std::string Numbered(std::size_t number) {
    std::string name = "n";
    name += std::to_string(number);
    return name;
}

std::vector<std::string> Sorted(const std::vector<std::string>& lines) {
    LineStore store(lines);
    std::vector<CTagEntry> records = store.Records();
    SortTagRecords(records);
    std::vector<std::string> texts;
    for (const CTagEntry& record : records) {
        texts.emplace_back(record.GetText());
    }
    return texts;
}

TEST(TagOrder, ExchangeSortExamples) {
    const std::string fooB = TagLine("A.java", "Foo", "m", "b");
    const std::string barA = TagLine("A.java", "Bar", "m", "a");
    const std::string fooX = TagLine("A.java", "Foo", "f", "x");
    const std::string fooA = TagLine("A.java", "Foo", "m", "a");
    const std::string inB = TagLine("B.java", "", "c", "B");
    const std::string inA = TagLine("A.java", "", "c", "A");
    const std::string pseudo = "!_TAG_FILE_FORMAT\t2";

    struct Case {
        const char* label;
        std::vector<std::string> input;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"other class never exchanged", {fooB, barA}, {fooB, barA}},
        {"smaller file first", {inB, inA}, {inA, inB}},
        {"one group sorted around another kind", {fooB, fooX, fooA}, {fooA, fooX, fooB}},
        {"records without a file first", {inB, pseudo, inA, ""}, {pseudo, "", inA, inB}},
        {"empty store", {}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Sorted(c.input), c.expected) << c.label;
    }
}

// A random store: a few files, some split into several runs, groups of classes and kinds, many
// equal names, header lines and empty lines.
std::vector<std::string> RandomLines(std::mt19937& rng, std::size_t maxRecords) {
    static const char* const kFiles[] = {"A.java", "B.java", "Ab.java", "a/C.java", "B"};
    static const char* const kClasses[] = {"", "Foo", "Bar"};
    static const char* const kKinds[] = {"m", "f", "c"};
    static const char* const kNames[] = {"a", "b", "c", "aa", "B", "run"};
    auto pick = [&rng](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };

    const std::size_t files = 1 + pick(4);
    const std::size_t classes = 1 + pick(3);
    const std::size_t kinds = 1 + pick(3);
    const std::size_t names = 1 + pick(6);
    const std::size_t count = pick(maxRecords + 1);

    // Each file's records, then laid out in runs.
    std::vector<std::vector<std::string>> perFile(files);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t f = pick(files);
        perFile[f].push_back(TagLine(kFiles[f], kClasses[pick(classes)], kKinds[pick(kinds)], kNames[pick(names)]));
    }
    std::vector<std::vector<std::string>> runs;
    for (auto& records : perFile) {
        const std::size_t pieces = 1 + pick(pick(2) == 0 ? 1 : 4);
        std::size_t at = 0;
        for (std::size_t p = 0; p < pieces && at < records.size(); ++p) {
            const std::size_t size = p + 1 == pieces ? records.size() - at : pick(records.size() - at + 1);
            runs.emplace_back(records.begin() + static_cast<std::ptrdiff_t>(at),
                              records.begin() + static_cast<std::ptrdiff_t>(at + size));
            at += size;
        }
    }
    std::shuffle(runs.begin(), runs.end(), rng);
    std::vector<std::string> lines;
    if (pick(2) == 0) {
        lines = {"!_TAG_FILE_FORMAT\t2", "!_TAG_FILE_SORTED\t0"};
    }
    for (const auto& run : runs) {
        lines.insert(lines.end(), run.begin(), run.end());
    }
    // Header and empty lines anywhere, as a concatenated file has them.
    for (std::size_t extra = pick(3); extra > 0; --extra) {
        const std::size_t at = pick(lines.size() + 1);
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), pick(2) == 0 ? std::string() : std::string("!_TAG_X\t1"));
    }
    return lines;
}

// The input's texts, to show a failing store.
std::string Describe(const std::vector<CTagEntry>& input) {
    std::string text;
    for (const CTagEntry& record : input) {
        text += "\n  " + testing::PrintToString(std::string(record.GetText()));
    }
    return text;
}

void ExpectSameOrderAsExchangeSort(const std::vector<CTagEntry>& input, const std::string& what) {
    std::vector<CTagEntry> records = input;
    SortTagRecords(records);
    const std::vector<const char*> expected = Identities(ExchangeSort(input));
    if (Identities(records) != expected) {
        FAIL() << what << ", input:" << Describe(input);
    }
}

// A load asked to stop gives no order, on one thread and on two (large stores), and an order
// asked for without a stop is whole.
TEST(TagOrder, StopsWhenTheLoadIsAskedTo) {
    for (const std::size_t count : {std::size_t{100}, std::size_t{120'000}}) {
        SCOPED_TRACE(count);
        std::vector<std::string> lines;
        for (std::size_t i = 0; i < count; ++i) {
            lines.push_back(TagLine(i % 2 == 0 ? "B.java" : "A.java", "Foo", "m", Numbered(count - i)));
        }
        LineStore store(lines);
        LoadProgress stopped;
        stopped.Cancel();
        EXPECT_TRUE(TagRecordOrder(store.Records(), &stopped).empty());
        LoadProgress going;
        EXPECT_EQ(TagRecordOrder(store.Records(), &going).size(), count);
    }
}

TEST(TagOrder, SameOrderAsExchangeSortOnRandomStores) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 2000; ++round) {
        const std::size_t maxRecords = round % 10 == 0 ? 200 : 50;
        const std::vector<std::string> lines = RandomLines(rng, maxRecords);
        LineStore store(lines);
        ExpectSameOrderAsExchangeSort(store.Records(), "round " + std::to_string(round));
        if (HasFatalFailure()) {
            return;
        }
    }
}

// The file starts that come with the order list exactly the positions whose file differs from
// the one before (a walk over the store trusts them instead of comparing files), on random stores
// with header lines and lines without a file, and on stores too small to be ordered.
TEST(TagOrder, FileStartsAreWhereTheFileChanges) {
    std::mt19937 rng(1215);
    for (int round = 0; round < 500; ++round) {
        const std::vector<std::string> lines = RandomLines(rng, round % 10 == 0 ? 200 : 50);
        LineStore store(lines);
        const std::vector<CTagEntry>& records = store.Records();
        std::vector<std::uint32_t> starts{99};
        const std::vector<std::uint32_t> order = TagRecordOrder(records, nullptr, &starts);
        std::vector<std::uint32_t> changes;
        for (std::size_t p = 0; p < order.size(); ++p) {
            if (p == 0 || records[order[p]].GetFile() != records[order[p - 1]].GetFile()) {
                changes.push_back(static_cast<std::uint32_t>(p));
            }
        }
        ASSERT_EQ(starts, changes) << "round " << round << ", input:" << Describe(records);
    }
}

// Stores whose files are cut into many short runs by smaller files, with few names, so that the
// batches are many and runs of equal names are long (the in-place turns and the ring both).
TEST(TagOrder, SameOrderAsExchangeSortWithManyRunsAndEqualNames) {
    static const char* const kFiles[] = {"A.java", "B.java", "C.java"};
    // Long names that agree in their first sixteen bytes or more, and short ones.
    static const char* const kNames[] = {"abcdefghijklmnopz", "a", "abcdefghijklmnopab", "abcdefghijklmnop", "b"};
    std::mt19937 rng(977);
    auto pick = [&rng](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
    for (int round = 0; round < 60; ++round) {
        const std::size_t files = 2 + pick(2);
        const std::size_t names = 1 + pick(5);
        const std::size_t groups = 1 + pick(2);
        const std::size_t count = 50 + pick(round % 6 == 0 ? 1500 : 400);
        const std::size_t runLength = 1 + pick(round % 2 == 0 ? 3 : 40);
        std::vector<std::string> lines;
        std::size_t file = pick(files);
        for (std::size_t i = 0; i < count; ++i) {
            if (pick(runLength) == 0) {
                file = pick(files);
            }
            // Every third store has names that all differ.
            const std::string name = round % 3 == 0 ? Numbered(i * 7919 % count) : kNames[pick(names)];
            lines.push_back(TagLine(kFiles[file], groups == 2 && pick(2) == 0 ? "Foo" : "", "m", name));
        }
        LineStore store(lines);
        ExpectSameOrderAsExchangeSort(store.Records(), "round " + std::to_string(round));
        if (HasFatalFailure()) {
            return;
        }
    }
    // A group with many names met a record or two at a time by longer runs of a smaller file:
    // each batch sorts the few records met so far, which repeat a few names.
    for (int round = 0; round < 20; ++round) {
        std::vector<std::string> lines;
        for (std::size_t i = 0; i < 400;) {
            for (std::size_t k = 1 + pick(2); k > 0 && i < 400; --k, ++i) {
                const std::size_t name = i < 16 ? 100 * (1 + pick(3)) : pick(1000);
                lines.push_back(TagLine("B.java", "Foo", "m", Numbered(name)));
            }
            for (std::size_t k = i < 16 ? 16 + pick(8) : 1 + pick(3); k > 0; --k) {
                lines.push_back(TagLine("A.java", "", "c", "a"));
            }
        }
        LineStore store(lines);
        ExpectSameOrderAsExchangeSort(store.Records(), "few records of a group with many names");
        if (HasFatalFailure()) {
            return;
        }
    }
    // One large group met by fewer smaller records than it has: many passes, but fewer than its
    // records, with and without equal names.
    for (const std::size_t distinctNames : {std::size_t{3}, std::size_t{2000}}) {
        std::vector<std::string> lines;
        for (std::size_t i = 0; i < 1500; ++i) {
            lines.push_back(TagLine("B.java", "Foo", "m", Numbered(i * 7919 % 1500 % distinctNames)));
        }
        for (std::size_t i = 0; i < 700; ++i) {
            lines.push_back(TagLine("A.java", "", "c", "a"));
        }
        LineStore store(lines);
        ExpectSameOrderAsExchangeSort(store.Records(), std::to_string(distinctNames) + " names");
    }
}

// Two files alternating line by line, `pairs` times: the larger file's records form as many runs
// as it has records. B.java has a group whose names all differ and either one with a single name
// or, when `mixed`, a larger one whose names repeat.
std::vector<std::string> AlternatingLines(std::size_t pairs, bool mixed) {
    std::vector<std::string> lines;
    lines.reserve(pairs * 2);
    for (std::size_t i = 0; i < pairs; ++i) {
        const std::string distinct = Numbered(pairs - i);
        if (i % 3 == 0) {
            lines.push_back(TagLine("B.java", "Foo", "m", distinct));
        } else if (mixed) {
            lines.push_back(TagLine("B.java", "Baz", "m", Numbered(i * 7 % 5)));
        } else {
            lines.push_back(TagLine("B.java", "Bar", "m", "same"));
        }
        lines.push_back(TagLine("A.java", "Foo", i % 2 == 0 ? "m" : "f", distinct));
    }
    return lines;
}

// What every order of the store has: A.java's records, then B.java's, each group in name order.
// When `sameSlots`, each file's slots are held by the same groups as in the input.
void ExpectOrderedByFileAndName(const std::vector<CTagEntry>& input, const std::vector<CTagEntry>& sorted, bool sameSlots) {
    auto groupOf = [](const CTagEntry& r) { return std::string(r.GetClass()) + "/" + std::string(r.GetKind()); };
    std::vector<std::string> expectedGroups;
    std::multiset<const char*> expectedIds;
    for (const char* file : {"A.java", "B.java"}) {
        for (const CTagEntry& record : input) {
            if (record.GetFile() == file) {
                expectedGroups.push_back(std::string(file) + ":" + groupOf(record));
                expectedIds.insert(record.GetText().data());
            }
        }
    }
    std::vector<std::string> groups;
    std::multiset<const char*> ids;
    std::map<std::string, std::string_view> last;
    for (const CTagEntry& record : sorted) {
        const std::string group = std::string(record.GetFile()) + ":" + groupOf(record);
        groups.push_back(group);
        ids.insert(record.GetText().data());
        auto [it, added] = last.try_emplace(group, record.GetName());
        EXPECT_TRUE(added || it->second <= record.GetName()) << group << " " << record.GetName();
        it->second = record.GetName();
    }
    if (sameSlots) {
        EXPECT_TRUE(groups == expectedGroups);
    }
    EXPECT_TRUE(ids == expectedIds);
}

// Groups whose names all differ or are all equal are ordered exactly, however many runs.
TEST(TagOrder, FileCutIntoVeryManyRunsIsOrderedExactlyAndAtOnce) {
    LineStore small(AlternatingLines(2000, false));
    ExpectSameOrderAsExchangeSort(small.Records(), "2000 pairs");

    LineStore large(AlternatingLines(150'000, false));
    std::vector<CTagEntry> records = large.Records();
    const auto started = std::chrono::steady_clock::now();
    SortTagRecords(records);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(), 20.0);
    ExpectOrderedByFileAndName(large.Records(), records, false);
}

// A group that mixes equal and other names, cut into very many runs: followed pass by pass it
// would take hours; the order still comes at once, and exactly as the exchange sort's on the
// sizes the oracle can check.
TEST(TagOrder, FileCutIntoVeryManyRunsWithRepeatedNamesIsOrderedExactlyAndAtOnce) {
    LineStore small(AlternatingLines(2000, true));
    ExpectSameOrderAsExchangeSort(small.Records(), "2000 pairs");

    LineStore large(AlternatingLines(150'000, true));
    std::vector<CTagEntry> records = large.Records();
    const auto started = std::chrono::steady_clock::now();
    SortTagRecords(records);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(), 20.0);
    ExpectOrderedByFileAndName(large.Records(), records, false);
}

// Shapes of real tags files that cut every file into many runs, each a few thousand records so
// that the exchange sort itself can be the reference.
struct ShapeCase {
    const char* name;
    std::vector<std::string> (*make)(std::mt19937&);
};

void PrintTo(const ShapeCase& c, std::ostream* out) { *out << c.name; }

// Files of classes with overloaded methods, fields and inner classes.
std::vector<std::string> ProjectLines(std::mt19937& rng, std::size_t files, std::size_t perFile) {
    static const char* const kKinds[] = {"m", "m", "m", "f", "c"};
    static const char* const kNames[] = {"get", "set", "add", "run", "size", "of", "apply", "value"};
    auto pick = [&rng](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
    std::vector<std::string> lines;
    for (std::size_t f = 0; f < files; ++f) {
        const std::string file = "src/F" + std::to_string(f) + ".java";
        for (std::size_t i = 0; i < perFile; ++i) {
            const std::string cls = pick(4) == 0 ? "F" + std::to_string(f) + ".Inner" : "F" + std::to_string(f);
            const std::string name = pick(3) == 0 ? Numbered(pick(50)) : kNames[pick(8)];
            lines.push_back(TagLine(file, cls, kKinds[pick(5)], name));
        }
    }
    return lines;
}

// What ctags writes by default: every line sorted by name, so each file is cut wherever another
// file has a name in between.
std::vector<std::string> NameSorted(std::mt19937& rng) {
    std::vector<std::string> lines = ProjectLines(rng, 40, 80);
    std::stable_sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
        return a.substr(0, a.find('\t')) < b.substr(0, b.find('\t'));
    });
    return lines;
}

// One large class of overloads among small files, all sorted by name.
std::vector<std::string> NameSortedWithLargeClass(std::mt19937& rng) {
    std::vector<std::string> lines = ProjectLines(rng, 30, 30);
    for (std::size_t i = 0; i < 2000; ++i) {
        lines.push_back(TagLine("src/Big.java", "Big", "m", i % 3 == 0 ? Numbered(i % 700) : "of"));
    }
    std::stable_sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
        return a.substr(0, a.find('\t')) < b.substr(0, b.find('\t'));
    });
    return lines;
}

// Files taking turns line by line.
std::vector<std::string> FilesInTurn(std::mt19937& rng) {
    const std::size_t files = 12;
    const std::vector<std::string> project = ProjectLines(rng, files, 250);
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < 250; ++i) {
        for (std::size_t f = files; f-- > 0;) {
            lines.push_back(project[f * 250 + i]);
        }
    }
    return lines;
}

// A log of appends: the same project indexed again and again, a few files at a time.
std::vector<std::string> AppendLog(std::mt19937& rng) {
    const std::vector<std::string> project = ProjectLines(rng, 20, 30);
    std::vector<std::string> lines;
    auto pick = [&rng](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
    while (lines.size() < 3000) {
        const std::size_t from = pick(20);
        for (std::size_t f = from; f < std::min<std::size_t>(20, from + 1 + pick(4)); ++f) {
            lines.insert(lines.end(), project.begin() + static_cast<std::ptrdiff_t>(f * 30),
                         project.begin() + static_cast<std::ptrdiff_t>(f * 30 + 30));
        }
    }
    return lines;
}

// The same, shuffled line by line.
std::vector<std::string> Shuffled(std::mt19937& rng) {
    std::vector<std::string> lines = ProjectLines(rng, 25, 120);
    std::shuffle(lines.begin(), lines.end(), rng);
    return lines;
}

class TagOrderShapes : public testing::TestWithParam<ShapeCase> {};

TEST_P(TagOrderShapes, SameOrderAsExchangeSort) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
        std::mt19937 rng(seed * 7717);
        LineStore store(GetParam().make(rng));
        ExpectSameOrderAsExchangeSort(store.Records(), std::string(GetParam().name) + ", seed " + std::to_string(seed));
        if (HasFatalFailure()) {
            return;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(TagOrder, TagOrderShapes,
                         testing::Values(ShapeCase{"nameSorted", NameSorted}, ShapeCase{"nameSortedWithLargeClass", NameSortedWithLargeClass},
                                         ShapeCase{"filesInTurn", FilesInTurn}, ShapeCase{"appendLog", AppendLog},
                                         ShapeCase{"shuffled", Shuffled}),
                         [](const testing::TestParamInfo<ShapeCase>& info) { return std::string(info.param.name); });

// A small Java project indexed by ctags the way the program runs it, once as a whole and once
// more appended for a sub-folder, so that files also come in two runs.
TEST(TagOrder, SameOrderAsExchangeSortOnCtagsOutput) {
    const std::string ctags = "/usr/bin/ctags";
    if (!std::filesystem::exists(ctags)) {
        GTEST_SKIP() << "no ctags";
    }
    test::ScratchFolder dir{"tags"};
    std::filesystem::create_directories(dir.File("src/app/util"));
    auto write = [&](const std::string& name, const std::string& text) { dir.Write(name, text); };
    write("src/app/Main.java",
          "package app;\n"
          "import java.util.List;\n"
          "public class Main implements Runnable {\n"
          "    private int count;\n"
          "    public static final String NAME = \"main\";\n"
          "    protected List<String> items;\n"
          "    int b, a, c;\n"
          "    public Main() {}\n"
          "    public Main(int count) { this.count = count; }\n"
          "    public void run() {}\n"
          "    void add(String s) {}\n"
          "    void add(int i) {}\n"
          "    void add(Object o) {}\n"
          "    private void zeta() {}\n"
          "    private void alpha() {}\n"
          "    static class Inner {\n"
          "        int value;\n"
          "        void run() {}\n"
          "        void add() {}\n"
          "    }\n"
          "    interface Listener { void changed(int what); void added(); }\n"
          "    public static void main(String[] args) { new Main().run(); }\n"
          "}\n");
    write("src/app/Base.java",
          "package app;\n"
          "abstract class Base {\n"
          "    protected int z, y, x;\n"
          "    abstract void y();\n"
          "    abstract void x();\n"
          "    void w() {}\n"
          "    class Node { Node next; Node prev; int key; void key(int k) {} }\n"
          "}\n"
          "interface Shape { double area(); double perimeter(); }\n");
    write("src/app/util/Strings.java",
          "package app.util;\n"
          "public final class Strings {\n"
          "    private Strings() {}\n"
          "    public static String trim(String s) { return s.trim(); }\n"
          "    public static String pad(String s) { return s; }\n"
          "    public static String pad(String s, int n) { return s; }\n"
          "    public static boolean empty(String s) { return s.isEmpty(); }\n"
          "    enum Mode { LEFT, RIGHT, CENTER }\n"
          "}\n");
    const std::string param = " --langmap=java:+.java --languages=java --java-types=+cfimp --recurse=yes --fields=+anmfk --sort=no";
    const std::string command = "cd '" + dir.Path() + "' && " + ctags + param + " -ftags * >/dev/null 2>&1 && " + ctags +
                                param + " -a -ftags src/app/util >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);

    TagStore store;
    ASSERT_TRUE(ReadTagsFile(dir.File("tags"), CodePage::Utf8, store));
    ASSERT_GT(store.size(), 40u);
    std::vector<CTagEntry> input(store.begin(), store.end());
    ExpectSameOrderAsExchangeSort(input, "ctags output");

    // The same records in reverse, so that every file meets many smaller records behind it.
    std::vector<CTagEntry> reversed(input.rbegin(), input.rend());
    ExpectSameOrderAsExchangeSort(reversed, "ctags output reversed");
}

}  // namespace
}  // namespace quarrow
