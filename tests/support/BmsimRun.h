#ifndef BM_TESTS_BMSIMRUN_H
#define BM_TESTS_BMSIMRUN_H
// Runs the built bmsim (BM_BMSIM_PATH, given to the end-to-end tests) as a shell would, and
// collects what it wrote to its standard output and error.

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace bmtest {

struct BmsimRun {
    int status;          // the exit status; -1 when it did not exit
    std::string output;  // standard output and error, interleaved
};

// `arguments` are split by the shell: quote paths. `environment` goes before the command
// ("NAME=value ...").
inline BmsimRun RunBmsim(const std::string& arguments, const std::string& environment = "") {
    std::string command = environment + " '" + BM_BMSIM_PATH + "' " + arguments + " 2>&1";
    BmsimRun run{-1, ""};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace bmtest

#endif
