// The program's layers, read from its source tree: core < win < catalogue,
// ports, firmware, controls < install < texts < app, cmd.  No file includes a header of a
// higher layer or of a sibling, and the portable rules include no Windows
// header.  (The build's per-layer link checks catch calls the same way.)
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// texts/ holds the words of both front ends, the window (app/) and the
// console program (cmd/), which know nothing of each other.
const std::map<std::string, int> kRank = {{"core", 0},     {"win", 1},      {"catalogue", 2}, {"ports", 2},
                                          {"firmware", 2}, {"controls", 2}, {"install", 3},   {"texts", 4},
                                          {"app", 5},      {"cmd", 5}};

// Whether a file of layer `from` may include a header of layer `to`: its
// own, or any lower layer but a sibling's.
bool MayInclude(const std::string& from, const std::string& to) {
    return from == to || kRank.at(to) < kRank.at(from);
}

struct Include {
    std::string file, header;
};

std::vector<Include> IncludesOf(const fs::path& file) {
    static const std::regex line(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    std::vector<Include> found;
    std::ifstream in(file);
    for (std::string text; std::getline(in, text);) {
        std::smatch m;
        if (std::regex_search(text, m, line)) found.push_back({file.string(), m[1].str() + m[2].str()});
    }
    return found;
}

TEST(Layers, NoFileIncludesAHigherLayersOrASiblingsHeader) {
    const fs::path src = fs::path(PI_SOURCE_DIR) / "src";
    ASSERT_TRUE(fs::is_directory(src));
    size_t checked = 0;
    std::vector<std::string> wrong;
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".cpp" && ext != ".h") continue;
        const std::string layer = fs::relative(entry.path(), src).begin()->string();
        if (!kRank.count(layer)) continue;
        for (const Include& inc : IncludesOf(entry.path())) {
            ++checked;
            if (inc.header[0] == '<') {
                // C++'s own headers have no ".h"; <windows.h> and its kin do.
                if (layer == "core" && inc.header.ends_with(".h"))
                    wrong.push_back(inc.file + " includes " + inc.header + ": the portable rules include no system header");
                continue;
            }
            const std::string to = inc.header.substr(1, inc.header.find('/') - 1);
            if (!kRank.count(to)) continue;  // res/, a file beside it
            if (!MayInclude(layer, to)) wrong.push_back(inc.file + " includes " + inc.header);
        }
    }
    EXPECT_GT(checked, 100u) << "the source tree was not found whole";
    EXPECT_TRUE(wrong.empty()) << [&] {
        std::string all;
        for (const auto& w : wrong) all += w + "\n";
        return all;
    }();
}

}  // namespace
