// bm_stubs: writes the editor stubs of the built-in modules, one <Module>.pyi per module, into a
// folder (the source tree's stubs/ when the build's "stubs" target runs it); other .pyi files
// there go.
//
//   bm_stubs <folder>
//
// Exit status 0 when every function had its signature row and every row its function; 1 when
// the stubs were written but something was missing (said on stderr); 2 when none were written.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "StubWriter.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: bm_stubs <folder>\n";
        return 2;
    }
    std::filesystem::path folder = argv[1];
    std::vector<std::string> problems;
    std::map<std::string, std::string> files;
    try {
        bmstubs::Interpreter interpreter;
        files = bmstubs::MakeStubs(bmstubs::ReadModules(), &problems);
    } catch (const std::exception& e) {
        std::cerr << "bm_stubs: " << e.what() << "\n";
        return 2;
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    // Stubs of modules that are gone go too.
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.path().extension() == ".pyi" && !files.count(entry.path().filename().string()))
            std::filesystem::remove(entry.path(), ec);
    for (const auto& [name, text] : files) {
        std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out) {
            std::cerr << "bm_stubs: cannot write " << (folder / name).string() << "\n";
            return 2;
        }
    }
    for (const std::string& problem : problems) std::cerr << "bm_stubs: " << problem << "\n";
    std::cout << "bm_stubs: wrote " << files.size() << " stubs to " << folder.string() << "\n";
    return problems.empty() ? 0 : 1;
}
