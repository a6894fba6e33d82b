// The layers of the source tree: a folder under src/ may include only its own
// headers and those of the folders below it in the table. The test reads every
// #include "..." under src/ and names each include that breaks the table.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Each folder and the folders it may include, lowest layers first.
const std::map<std::string, std::set<std::string>>& LayerTable()
{
    static const std::map<std::string, std::set<std::string>> table = {
        {"io", {}},
        {"net", {}},
        {"app", {"net", "io"}},
        {"text", {}},
        {"chart", {"text"}},
        {"jpeg", {"io"}},
        {"history", {"app", "io", "text"}},
        {"monitor", {"chart", "app", "io", "text"}},
        {"story", {"history", "monitor", "chart", "app", "io", "text"}},
        {"report", {"story", "history", "monitor", "chart", "app", "io", "text"}},
        {"historywindow", {"report", "story", "history", "monitor", "chart", "app", "io", "text"}},
        {"secrets", {"io", "text"}},
        {"metrics", {"app", "io", "text"}},
        {"recorder", {"metrics", "secrets", "history", "app", "net", "io", "text"}},
        {"window",
         {"report", "recorder", "metrics", "secrets", "historywindow", "story", "history", "monitor", "jpeg", "chart",
          "app", "net", "io", "text"}},
    };
    return table;
}

// The quoted include of one line, or "" when the line includes nothing in
// quotes ("#  include" with blanks counts too).
std::string QuotedInclude(const std::string& line)
{
    std::size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] != '#')
        return std::string();
    i = line.find_first_not_of(" \t", i + 1);
    if (i == std::string::npos || line.compare(i, 7, "include") != 0)
        return std::string();
    i = line.find_first_not_of(" \t", i + 7);
    if (i == std::string::npos || line[i] != '"')
        return std::string();
    const std::size_t end = line.find('"', i + 1);
    if (end == std::string::npos)
        return std::string();
    return line.substr(i + 1, end - i - 1);
}

// The breaches of the table in one file of folder `folder`, one message each,
// "src/app/X.h:7: app may not include monitor/MonitorDesign.h". `exists`
// answers whether a path relative to src/ names a file.
template <typename Exists>
std::vector<std::string> LayerBreaches(const std::string& relativePath, const std::string& folder, std::istream& text,
                                       Exists exists)
{
    std::vector<std::string> breaches;
    const auto& table = LayerTable();
    const auto own = table.find(folder);
    std::string line;
    for (int number = 1; std::getline(text, line); ++number) {
        const std::string target = QuotedInclude(line);
        if (target.empty())
            continue;
        const std::string where = "src/" + relativePath + ":" + std::to_string(number) + ": ";
        if (own == table.end()) {
            breaches.push_back(where + "folder " + folder + " has no place in the layers");
            continue;
        }
        const std::size_t slash = target.find('/');
        const std::string targetFolder = slash == std::string::npos ? std::string() : target.substr(0, slash);
        if (table.count(targetFolder) == 0) {
            // Not a folder of the tree: a header the build generates, or one
            // of a library. A header of this tree must be named by its folder.
            if (exists(folder + "/" + target))
                breaches.push_back(where + "include \"" + target + "\" as \"" + folder + "/" + target + "\"");
            continue;
        }
        if (!exists(target))
            breaches.push_back(where + target + " does not exist");
        else if (targetFolder != folder && own->second.count(targetFolder) == 0)
            breaches.push_back(where + folder + " may not include " + target);
    }
    return breaches;
}

std::vector<std::string> Breaches(const std::string& path, const std::string& text, const std::set<std::string>& files)
{
    std::istringstream in(text);
    const std::string folder = path.substr(0, path.find('/'));
    return LayerBreaches(path, folder, in, [&](const std::string& p) { return files.count(p) > 0; });
}

TEST(IncludeLayers, EveryIncludeUnderSrcKeepsToTheLayers)
{
    const fs::path src = fs::path(QM_SOURCE_DIR) / "src";
    ASSERT_TRUE(fs::is_directory(src)) << src;
    std::vector<std::string> breaches;
    int filesRead = 0;
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp"))
            continue;
        const fs::path relative = fs::relative(entry.path(), src);
        const std::string folder = relative.begin()->string();
        std::ifstream in(entry.path());
        ASSERT_TRUE(in) << entry.path();
        ++filesRead;
        const auto found = LayerBreaches(relative.generic_string(), folder, in,
                                         [&](const std::string& p) { return fs::is_regular_file(src / p); });
        breaches.insert(breaches.end(), found.begin(), found.end());
    }
    EXPECT_GT(filesRead, 100);
    std::string report;
    for (const std::string& b : breaches)
        report += b + "\n";
    EXPECT_TRUE(breaches.empty()) << report;
}

TEST(IncludeLayers, NamesFileAndLineOfEachBreach)
{
    const std::set<std::string> files = {"app/MonitorSession.h", "app/ToneBits.h", "monitor/MonitorDesign.h",
                                         "net/TelnetSend.h",     "chart/Chart.h",  "window/Form1.h"};
    // Upward, sideways and unknown includes are named; own folder and lower
    // layers are fine, as are system headers and headers of other libraries.
    const std::string text = "#include \"app/ToneBits.h\"\n"
                             "#include <vector>\n"
                             "#include \"monitor/MonitorDesign.h\"\n"
                             "  #  include \"net/TelnetSend.h\"\n"
                             "#include \"chart/Chart.h\"\n"
                             "#include \"app/Missing.h\"\n"
                             "#include \"ToneBits.h\"\n"
                             "#include \"gtest/gtest.h\"\n"
                             "// #include \"window/Form1.h\"\n";
    const auto breaches = Breaches("app/MonitorSession.h", text, files);
    ASSERT_EQ(breaches.size(), 4u);
    EXPECT_EQ(breaches[0], "src/app/MonitorSession.h:3: app may not include monitor/MonitorDesign.h");
    EXPECT_EQ(breaches[1], "src/app/MonitorSession.h:5: app may not include chart/Chart.h");
    EXPECT_EQ(breaches[2], "src/app/MonitorSession.h:6: app/Missing.h does not exist");
    EXPECT_EQ(breaches[3], "src/app/MonitorSession.h:7: include \"ToneBits.h\" as \"app/ToneBits.h\"");

    // The top layer may include every folder; the chart none of the project.
    EXPECT_TRUE(Breaches("window/Form1.cpp", text.substr(0, text.find("#include \"app/Missing")), files).empty());
    EXPECT_EQ(Breaches("chart/Chart.cpp", "#include \"app/ToneBits.h\"\n", files),
              std::vector<std::string>{"src/chart/Chart.cpp:1: chart may not include app/ToneBits.h"});
    EXPECT_EQ(Breaches("newfolder/X.cpp", "#include \"app/ToneBits.h\"\n", files),
              std::vector<std::string>{"src/newfolder/X.cpp:1: folder newfolder has no place in the layers"});
}

}  // namespace
