// The documentation's code blocks run: README.md and docs/*.md. A ```python block is a whole
// script (first line "# FOLDER/BM_Name.py"), run alone under bmsim --strict; a ```sh block is a
// bmsim command, run in the page's folder; a ```text block right after it is what it prints.
// docs/contributing.md states the convention.
#include <dirent.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace {

using bmtest::FencedBlocks;
using bmtest::Quoted;
using bmtest::Shell;
using bmtest::ShellRun;
using Block = bmtest::FencedBlock;

void WriteFile(const std::string& path, const std::string& text) {
    Shell("mkdir -p " + Quoted(path.substr(0, path.rfind('/'))));
    std::ofstream(path, std::ios::binary) << text;
}

// Each of `expected`'s lines among `output`'s lines, in that order.
void ExpectLinesInOrder(const std::string& expected, const std::string& output, const std::string& where) {
    std::vector<std::string> lines = bmtest::Lines(output);
    auto at = lines.begin();
    for (const std::string& line : bmtest::Lines(expected)) {
        if (line.empty()) continue;
        auto found = std::find(at, lines.end(), line);
        if (found == lines.end()) {
            ADD_FAILURE() << where << ": the output lacks (in this order) the line\n" << line << "\n" << output;
            return;
        }
        at = found + 1;
    }
}

std::vector<std::string> Pages() {
    std::vector<std::string> pages{"README.md"};
    if (DIR* dir = opendir(BM_SOURCE_DIR "/docs")) {
        std::vector<std::string> names;
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name.size() > 3 && name.compare(name.size() - 3, 3, ".md") == 0) names.push_back("docs/" + name);
        }
        closedir(dir);
        std::sort(names.begin(), names.end());
        pages.insert(pages.end(), names.begin(), names.end());
    }
    return pages;
}

class DocsPage : public ::testing::TestWithParam<std::string> {};

TEST_P(DocsPage, CodeBlocksRun) {
    const std::string page = GetParam();
    std::vector<Block> blocks = FencedBlocks(BM_SOURCE_DIR "/" + page);
    bmtest::SimFolder sim("docs");
    const std::string folder = sim.Root() + "/page";
    ASSERT_EQ(Shell("mkdir -p " + Quoted(folder) + " && cp -r " + Quoted(BM_SOURCE_DIR "/examples") + " " +
                    Quoted(folder + "/examples"))
                  .status,
              0);

    // The scripts first: the page's commands run them.
    int scripts = 0;
    for (const Block& block : blocks) {
        std::string where = page + ":" + std::to_string(block.line);
        if (block.tag == "python") {
            ASSERT_NE(block.text.find("class Brindlemoor"), std::string::npos)
                << where << ": a ```python block is a whole script; tag a fragment ```py";
            std::string first = block.text.substr(0, block.text.find('\n'));
            ASSERT_TRUE(first.compare(0, 2, "# ") == 0 && first.find("/BM_") != std::string::npos &&
                        first.size() > 5 && first.compare(first.size() - 3, 3, ".py") == 0)
                << where << ": a script's first line names its file, # FOLDER/BM_Name.py";
            std::string file = first.substr(2);
            WriteFile(folder + "/" + file, block.text);
            // Alone, under --strict.
            std::string alone = sim.Root() + "/alone" + std::to_string(++scripts);
            WriteFile(alone + "/scripts" + file.substr(file.rfind('/')), block.text);
            ShellRun run = Shell("cd " + Quoted(alone) + " && " + Quoted(BM_BMSIM_PATH) +
                            " --scripts scripts --frames 120 --strict");
            EXPECT_EQ(run.status, 0) << where << "\n" << run.output;
            ExpectLinesInOrder("strict: no problems", run.output, where);
        } else if (block.tag.empty() && block.text.compare(0, 11, "build/bmsim") == 0) {
            ADD_FAILURE() << where << ": tag a bmsim command ```sh (it runs) or ```console (shown only)";
        }
    }

    for (size_t i = 0; i < blocks.size(); ++i) {
        if (blocks[i].tag != "sh") continue;
        std::string where = page + ":" + std::to_string(blocks[i].line);
        std::string command = blocks[i].text;
        ASSERT_EQ(command.compare(0, 12, "build/bmsim "), 0) << where << ": a ```sh block is one bmsim command";
        for (size_t at; (at = command.find("\\\n")) != std::string::npos;) command.replace(at, 2, " ");
        command.erase(command.find_last_not_of("\n") + 1);
        ASSERT_EQ(command.find('\n'), std::string::npos) << where << ": a ```sh block is one bmsim command";
        command.replace(0, 11, Quoted(BM_BMSIM_PATH));
        ShellRun run = Shell("cd " + Quoted(folder) + " && " + command);
        EXPECT_EQ(run.status, 0) << where << "\n" << run.output;
        if (i + 1 < blocks.size() && blocks[i + 1].tag == "text") ExpectLinesInOrder(blocks[i + 1].text, run.output, where);
    }
}

INSTANTIATE_TEST_SUITE_P(Docs, DocsPage, ::testing::ValuesIn(Pages()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
