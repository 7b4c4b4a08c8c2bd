#ifndef BM_TESTS_BMSIMRUN_H
#define BM_TESTS_BMSIMRUN_H
// Runs the built bmsim (BM_BMSIM_PATH, given to the end-to-end tests) as a shell would, and
// collects what it wrote to its standard output and error.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "TestSupport.h"

namespace bmtest {

struct BmsimRun {
    int status;          // the exit status; -1 when it did not exit
    std::string output;  // standard output and error, interleaved (standard output alone when split)
    std::string errors;  // standard error, when split
};

// `arguments` are split by the shell: quote paths. `environment` goes before the command
// ("NAME=value ..."). With `splitErrors`, standard error is collected apart.
inline BmsimRun RunBmsim(const std::string& arguments, const std::string& environment = "",
                         bool splitErrors = false) {
    BmsimRun run{-1, "", ""};
    char errorFile[] = "/tmp/bmsim-errors-XXXXXX";
    int fd = splitErrors ? mkstemp(errorFile) : -1;
    if (splitErrors && fd < 0) return run;
    if (fd >= 0) close(fd);
    std::string command = environment + " '" + BM_BMSIM_PATH + "' " + arguments +
                          (splitErrors ? std::string(" 2>'") + errorFile + "'" : std::string(" 2>&1"));
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, n);
        int status = pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (splitErrors) {
        run.errors = ReadFile(errorFile);
        unlink(errorFile);
    }
    return run;
}

}  // namespace bmtest

#endif
