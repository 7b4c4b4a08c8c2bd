// The stubs under a real type checker: pyright, with the pyrightconfig.json that
// docs/editor-stubs.md gives authors, over the examples, the scripts of the documentation and the
// scripts of tests/typecheck/. A line that must be flagged says so in a comment, `# flagged: TEXT`,
// and pyright must report an error on that line whose message holds TEXT; it must report nothing
// on any other line.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "TestSupport.h"

namespace fs = std::filesystem;

namespace {

// What pyright reported, by file and line: "error: Argument of type ...", the lines that explain
// it joined with blanks.
using Reports = std::map<std::string, std::map<int, std::vector<std::string>>>;

Reports ParseReports(const std::string& output) {
    Reports reports;
    static const std::regex kReport(R"(^  (/.+\.pyi?):(\d+):\d+ - ((error|warning|information): .*)$)");
    std::string* last = nullptr;
    for (const std::string& line : bmtest::Lines(output)) {
        std::smatch match;
        if (std::regex_match(line, match, kReport)) {
            auto& texts = reports[fs::canonical(match[1].str()).string()][std::stoi(match[2])];
            texts.push_back(match[3]);
            last = &texts.back();
        } else if (last && line.compare(0, 4, "  \xc2\xa0") == 0) {  // indented with no-break spaces
            *last += " " + line.substr(line.find_first_not_of(" \xc2\xa0"));
        } else {
            last = nullptr;
        }
    }
    return reports;
}

// The marked lines of a script: line number to the text its report must hold.
std::map<int, std::string> Marks(const std::string& script) {
    std::map<int, std::string> marks;
    static const std::regex kMark(R"(# flagged: (.+)$)");
    std::vector<std::string> lines = bmtest::Lines(bmtest::ReadFile(script));
    for (size_t i = 0; i < lines.size(); ++i) {
        std::smatch match;
        if (std::regex_search(lines[i], match, kMark)) marks[int(i + 1)] = match[1];
    }
    return marks;
}

void Copy(const fs::path& from, const fs::path& to) {
    fs::create_directories(to.parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

TEST(Typecheck, PyrightPassesTheExamplesAndDocsAndFlagsEveryWrongCallback) {
    if (std::string(BM_PYRIGHT).empty()) GTEST_SKIP() << "no pyright: bash tools/install-deps.sh installs it";
    const fs::path source = BM_SOURCE_DIR;
    std::string pattern = (fs::temp_directory_path() / "bm-typecheck-XXXXXX").string();
    ASSERT_TRUE(mkdtemp(pattern.data()));
    const fs::path folder = fs::canonical(pattern);

    // The folder as an author has it: the documented settings beside the stubs and the scripts.
    // The README and docs/editor-stubs.md give the same settings.
    std::string settings, readme;
    for (const bmtest::FencedBlock& block : bmtest::FencedBlocks((source / "docs/editor-stubs.md").string()))
        if (block.tag == "json" && settings.empty()) settings = block.text;
    for (const bmtest::FencedBlock& block : bmtest::FencedBlocks((source / "README.md").string()))
        if (block.tag == "json" && readme.empty()) readme = block.text;
    ASSERT_NE(settings.find("\"stubPath\": \"stubs\""), std::string::npos) << "docs/editor-stubs.md has no settings";
    auto compact = [](std::string text) {
        text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return std::isspace((unsigned char)c); }), text.end());
        return text;
    };
    EXPECT_EQ(compact(readme), compact(settings)) << "the README's pyrightconfig.json is not docs/editor-stubs.md's";
    std::ofstream(folder / "pyrightconfig.json") << settings;
    fs::create_directory_symlink(source / "stubs", folder / "stubs");

    std::set<std::string> scripts;
    auto add = [&](const fs::path& from, const fs::path& to) {
        Copy(from, folder / to);
        scripts.insert((folder / to).string());
    };
    for (const auto& entry : fs::directory_iterator(source / "examples"))
        // BM_Broken imports a module that is not there, on purpose.
        if (entry.path().extension() == ".py" && entry.path().filename() != "BM_Broken.py")
            add(entry.path(), fs::path("examples") / entry.path().filename());
    for (const auto& entry : fs::directory_iterator(source / "tests/typecheck"))
        if (entry.path().extension() == ".py") add(entry.path(), fs::path("wrong") / entry.path().filename());
    std::vector<std::string> pages{"README.md"};
    for (const auto& entry : fs::directory_iterator(source / "docs"))
        if (entry.path().extension() == ".md") pages.push_back("docs/" + entry.path().filename().string());
    int docScripts = 0;
    for (const std::string& page : pages)
        for (const bmtest::FencedBlock& block : bmtest::FencedBlocks((source / page).string())) {
            if (block.tag != "python") continue;
            fs::path to = folder / "docs" / std::to_string(++docScripts) / "BM_Script.py";
            fs::create_directories(to.parent_path());
            std::ofstream(to) << block.text;
            scripts.insert(to.string());
        }
    ASSERT_GT(docScripts, 0);

    bmtest::ShellRun run = bmtest::Shell("cd " + bmtest::Quoted(folder.string()) + " && " +
                                         bmtest::Quoted(BM_PYRIGHT) + " --project pyrightconfig.json");
    Reports reports = ParseReports(run.output);
    ASSERT_TRUE(run.status == 0 || run.status == 1) << run.output;  // 1: errors were reported

    int flagged = 0;
    for (const std::string& script : scripts) {
        std::map<int, std::string> marks = Marks(script);
        const auto& found = reports[script];
        for (const auto& [line, text] : marks) {
            auto at = found.find(line);
            bool holds = at != found.end() && std::any_of(at->second.begin(), at->second.end(), [&](const std::string& r) {
                             return r.rfind("error: ", 0) == 0 && r.find(text) != std::string::npos;
                         });
            EXPECT_TRUE(holds) << script << ":" << line << " is not flagged with " << text << "\n" << run.output;
            flagged += holds;
        }
        for (const auto& [line, texts] : found) {
            if (marks.count(line)) continue;
            for (const std::string& text : texts) ADD_FAILURE() << script << ":" << line << ": " << text;
        }
        if (script.find("/wrong/") != std::string::npos) {
            EXPECT_FALSE(marks.empty()) << script << " marks no line";
        }
    }
    // Reports on files not given (the stubs) count as well.
    for (const auto& [file, lines] : reports) {
        if (scripts.count(file)) continue;
        for (const auto& [line, texts] : lines)
            for (const std::string& text : texts) ADD_FAILURE() << file << ":" << line << ": " << text;
    }
    EXPECT_GT(flagged, 0);
    fs::remove_all(folder);
}

}  // namespace
