#include "SweepSupport.h"

#include <cxxabi.h>
#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <stdexcept>
#include <algorithm>

#include "XPLMCamera.h"
#include "bmhost/Control.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BM_SWEEP_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define BM_SWEEP_ASAN 1
#endif

namespace bmtest::sweep {

std::string SimulatorHoldings() {
    const std::pair<const char*, int> counts[] = {
        {"flight loops", bmhost::FlightLoopCount()},
        {"draw callbacks", bmhost::DrawCallbackCount()},
        {"key sniffers", bmhost::KeySnifferCount()},
        {"windows", bmhost::WindowCount()},
        {"hot keys", bmhost::HotKeyCount()},
        {"menus", bmhost::PluginMenuCount()},
        {"menu items", bmhost::MenuItemCount()},
        {"published data refs", bmhost::PublishedDataCount()},
        {"shared data registrations", bmhost::SharerTotal()},
        {"widgets", bmhost::WidgetCount()},
        {"command handlers", bmhost::CommandHandlerCount()},
        {"probes", bmhost::ProbeCount()},
        {"object loads", bmhost::ObjectReferenceCount()},
        {"instances", bmhost::InstanceCount()},
        {"registrations", bmhost::RegistrationCount()},
        {"camera controlled", XPLMIsCameraBeingControlled(nullptr)},
        {"aircraft held by", bmhost::PlanesHolder()},
    };
    std::string text;
    for (const auto& [what, count] : counts) text += std::string(what) + " " + std::to_string(count) + "\n";
    std::vector<std::string> paths = bmhost::MenuItemPaths();
    std::sort(paths.begin(), paths.end());
    for (const std::string& path : paths) text += path + "\n";
    return text;
}

// ---- Escaping ----

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char next = text[++i];
        out += next == 't' ? '\t' : next == 'n' ? '\n' : next;
    }
    return out;
}

std::string Tail(const std::string& text, std::size_t max) {
    return text.size() <= max ? text : "..." + text.substr(text.size() - max);
}

// ---- Child processes ----

void Channel::Send(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) line += (i ? "\t" : "") + Escape(fields[i]);
    line += '\n';
    const char* data = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        ssize_t written = write(fd_, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            _exit(72);  // the parent is gone
        }
        data += written;
        left -= std::size_t(written);
    }
}

std::string ChildRun::Ending() const {
    if (exited) return "exit status " + std::to_string(exitCode);
    return "signal " + std::to_string(signal) + " (" + strsignal(signal) + ")";
}

namespace {

#ifndef BM_SWEEP_ASAN
// Prints the signal and the stack to standard error, then dies of the signal as it would have.
void CrashHandler(int sig) {
    char head[64];
    int n = std::snprintf(head, sizeof head, "\n*** caught signal %d, stack:\n", sig);
    if (n > 0) (void)!write(2, head, std::size_t(n));
    void* frames[64];
    int count = backtrace(frames, 64);
    backtrace_symbols_fd(frames, count, 2);
    signal(sig, SIG_DFL);
    raise(sig);
}
#endif

void InstallCrashReporter() {
#ifndef BM_SWEEP_ASAN  // the sanitizer reports crashes with a better stack
    void* warm[1];
    backtrace(warm, 1);  // loads the unwinder now, not inside the handler
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = CrashHandler;
        sigemptyset(&action.sa_mask);
        sigaction(sig, &action, nullptr);
    }
#endif
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (;;) {
        std::size_t tab = line.find('\t', from);
        fields.push_back(Unescape(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from)));
        if (tab == std::string::npos) break;
        from = tab + 1;
    }
    return fields;
}

}  // namespace

ChildRun RunInChild(const std::function<void(Channel&)>& body) {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    char path[] = "/tmp/bm-sweep-stderr-XXXXXX";
    int errFd = mkstemp(path);
    if (errFd < 0) throw std::runtime_error("mkstemp failed");
    unlink(path);  // the descriptor keeps it readable
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        close(fds[0]);
        dup2(errFd, 2);
        close(errFd);
        InstallCrashReporter();
        Channel channel(fds[1]);
        try {
            body(channel);
        } catch (const std::exception& e) {
            channel.Send({"!", e.what()});
            _exit(71);
        } catch (...) {
            channel.Send({"!", "unknown exception"});
            _exit(71);
        }
        _exit(0);
    }
    close(fds[1]);
    ChildRun run;
    std::string pending;
    char buffer[65536];
    for (;;) {
        ssize_t got = read(fds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        pending.append(buffer, std::size_t(got));
        std::size_t from = 0;
        for (std::size_t end; (end = pending.find('\n', from)) != std::string::npos; from = end + 1)
            run.messages.push_back(SplitFields(pending.substr(from, end - from)));
        pending.erase(0, from);
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.exited = WIFEXITED(status);
    run.exitCode = run.exited ? WEXITSTATUS(status) : -1;
    run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    std::string text;
    lseek(errFd, 0, SEEK_SET);
    for (ssize_t got; (got = read(errFd, buffer, sizeof buffer)) > 0;) text.append(buffer, std::size_t(got));
    close(errFd);
    run.stderrText = Symbolize(text);
    return run;
}

// ---- Stacks ----

std::string Symbolize(const std::string& text) {
    // Lines of backtrace_symbols_fd: "module(+0x1a2b) [0x...]" or "module(symbol+0x12) [0x...]".
    std::vector<std::string> lines;
    std::stringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    std::map<std::string, std::vector<std::size_t>> byModule;  // lines to look up, per module
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::size_t open = lines[i].find("(+0x");
        if (open == std::string::npos || lines[i].find(')', open) == std::string::npos) continue;
        byModule[lines[i].substr(0, open)].push_back(i);
    }
    std::vector<std::string> out = lines;
    for (const auto& [module, indices] : byModule) {
        // -a starts each address's answer with the address; -i adds the functions inlined there.
        std::string command = "addr2line -a -f -C -i -e '" + module + "'";
        for (std::size_t i : indices) {
            std::size_t open = lines[i].find("(+");
            command += " " + lines[i].substr(open + 2, lines[i].find(')', open) - open - 2);
        }
        FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
        if (!pipe) continue;
        std::string answer;
        char chunk[4096];
        for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) answer.append(chunk, got);
        pclose(pipe);
        std::vector<std::string> groups;  // per address: "f at place <- g at place"
        std::stringstream answers(answer);
        for (std::string line; std::getline(answers, line);) {
            if (line.rfind("0x", 0) == 0) {
                groups.emplace_back();
                continue;
            }
            std::string place;
            if (groups.empty() || !std::getline(answers, place) || line == "??") continue;
            groups.back() += (groups.back().empty() ? "" : " <- ") + line + " at " + place;
        }
        for (std::size_t k = 0; k < indices.size() && k < groups.size(); ++k)
            if (!groups[k].empty()) out[indices[k]] += "  " + groups[k];
    }
    for (std::string& line : out) {
        // Exported C++ symbols: demangle "(_ZN...+0x12)".
        std::size_t open = line.find("(_Z");
        if (open == std::string::npos) continue;
        std::size_t plus = line.find('+', open);
        if (plus == std::string::npos) continue;
        int status = 0;
        char* name = abi::__cxa_demangle(line.substr(open + 1, plus - open - 1).c_str(), nullptr, nullptr, &status);
        if (name && status == 0) line += "  " + std::string(name);
        std::free(name);
    }
    std::string joined;
    for (const std::string& line : out) joined += line + "\n";
    return joined;
}

// ---- Interpreter ----

std::string Repr(PyObject* object) {
    PyObject* text = object ? PyObject_Repr(object) : nullptr;
    if (!text) {
        PyErr_Clear();
        return "<no repr>";
    }
    const char* chars = BM_TextAsUtf8(text);
    std::string result = chars ? chars : "<no repr>";
    Py_DECREF(text);
    PyErr_Clear();
    return result;
}

std::string TakeError(PyObject** typeOut) {
    if (typeOut) *typeOut = nullptr;
    if (!PyErr_Occurred()) return "no error";
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    std::string name = type ? PyExceptionClass_Name(type) : "?";
    if (name.rfind("exceptions.", 0) == 0) name = name.substr(11);
    std::string message;
    if (value) {
        PyObject* text = PyObject_Str(value);
        if (text) {
            message = BM_TextAsUtf8(text) ? BM_TextAsUtf8(text) : "";
            Py_DECREF(text);
        }
        PyErr_Clear();
    }
    if (typeOut) {
        *typeOut = type;
        Py_XINCREF(type);
    }
    Py_XDECREF(type);
    Py_XDECREF(value);
    Py_XDECREF(traceback);
    return message.empty() ? name : name + ": " + message;
}

namespace {
PyObject* ModuleDict(const std::string& module) {
    PyObject* mod = PyImport_ImportModule(module.c_str());
    if (!mod) throw std::runtime_error("no module " + module + ": " + TakeError());
    PyObject* dict = PyModule_GetDict(mod);  // the module stays in sys.modules
    Py_DECREF(mod);
    return dict;
}
}  // namespace

void RunPython(const std::string& module, const std::string& code) {
    PyObject* globals = ModuleDict(module);
    PyObject* result = PyRun_String(code.c_str(), Py_file_input, globals, globals);
    if (!result) throw std::runtime_error("running\n" + code + "\nraised " + TakeError());
    Py_DECREF(result);
}

PyObject* EvalPython(const std::string& module, const std::string& expression) {
    PyObject* globals = ModuleDict(module);
    PyObject* result = PyRun_String(expression.c_str(), Py_eval_input, globals, globals);
    if (!result) throw std::runtime_error("evaluating " + expression + " raised " + TakeError());
    return result;
}

PyObject* CompileExpression(const std::string& expression) {
    PyObject* code = Py_CompileString(expression.c_str(), "<sweep>", Py_eval_input);
    if (!code) throw std::runtime_error("compiling " + expression + " raised " + TakeError());
    return code;
}

PyObject* EvalCompiled(const std::string& module, PyObject* code) {
    PyObject* globals = ModuleDict(module);
    PyObject* result = BM_EvalCode(code, globals, globals);
    if (!result) throw std::runtime_error("evaluating a value raised " + TakeError());
    return result;
}

}  // namespace bmtest::sweep
