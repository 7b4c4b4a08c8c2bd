// The simulator's own list of data refs and commands (host/simdata: the X-Plane 12 list, name,
// type, writability and units of each data ref; one command name a line). Each file is read once
// per process: the stand-in starts again for every test, and the list does not change.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "HostState.h"

#ifndef BMHOST_SIMDATA
#error "BMHOST_SIMDATA must name the folder of the simulator's data ref and command lists"
#endif

using namespace bmhost::detail;

namespace {

constexpr std::size_t kUnsizedBytes = 256;  // "byte[]": the list gives no length

struct Lists {
    bool read = false;
    std::string folder = BMHOST_SIMDATA;
    std::string dataText, commandText;  // the files; the names point into them
    std::vector<ListedDataRef> dataRefs;
    std::vector<std::string_view> commands;
    std::vector<std::string> missing;  // the files that could not be read
};

Lists& L() {
    static Lists lists;
    return lists;
}

// "float", "int", "double", "byte[40]", "byte[]", "float[56][2][2][721]"...; the lengths of an
// array's dimensions multiply. False for a type the stand-in does not know.
bool ParseType(const char* text, std::size_t size, XPLMDataTypeID* types, std::size_t* length) {
    std::size_t base = 0;
    while (base < size && text[base] != '[') ++base;
    auto is = [&](const char* word) { return base == std::strlen(word) && std::memcmp(text, word, base) == 0; };
    bool array = base < size;
    *length = 0;
    if (is("int")) *types = array ? xplmType_IntArray : xplmType_Int;
    else if (is("float")) *types = array ? xplmType_FloatArray : xplmType_Float;
    else if (is("double") && !array) *types = xplmType_Float | xplmType_Double;  // served as a float too
    else if (is("byte") && array) *types = xplmType_Data;
    else return false;
    if (!array) return true;
    std::size_t product = 1;
    for (std::size_t i = base; i < size;) {
        if (text[i] != '[') return false;
        std::size_t n = 0, digits = 0;
        for (++i; i < size && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) n = n * 10 + std::size_t(text[i] - '0');
        if (i == size || text[i] != ']') return false;
        ++i;
        if (digits == 0 && *types != xplmType_Data) return false;
        product *= digits ? n : kUnsizedBytes;
    }
    *length = product;
    return true;
}

bool ReadFile(const std::string& path, std::string* text) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text->append(buffer, n);
    std::fclose(file);
    return true;
}

// Calls `line` with each line that is neither empty nor a '#' comment.
template <typename F>
void EachLine(const std::string& text, F line) {
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::size_t stop = end > at && text[end - 1] == '\r' ? end - 1 : end;
        if (stop > at && text[at] != '#') line(text.data() + at, stop - at);
        at = end + 1;
    }
}

void ReadLists() {
    Lists& lists = L();
    lists.read = true;
    std::string& text = lists.dataText;
    if (ReadFile(lists.folder + "datarefs.tsv", &text)) {
        lists.dataRefs.reserve(6000);
        EachLine(text, [&](const char* line, std::size_t size) {
            const char* end = line + size;
            const char* fields[4];
            std::size_t lengths[4];
            int n = 0;
            for (const char* at = line; n < 4 && at <= end;) {
                const char* tab = static_cast<const char*>(std::memchr(at, '\t', std::size_t(end - at)));
                const char* stop = tab ? tab : end;
                fields[n] = at;
                lengths[n++] = std::size_t(stop - at);
                at = stop + 1;
            }
            ListedDataRef ref;
            if (n < 3 || lengths[0] == 0 || !ParseType(fields[1], lengths[1], &ref.types, &ref.length)) return;  // the heading too
            ref.name = std::string_view(fields[0], lengths[0]);
            ref.writable = lengths[2] == 1 && fields[2][0] == 'y';
            lists.dataRefs.push_back(std::move(ref));
        });
    } else {
        lists.missing.push_back(lists.folder + "datarefs.tsv");
    }
    if (ReadFile(lists.folder + "commands.txt", &lists.commandText)) {
        lists.commands.reserve(3100);
        EachLine(lists.commandText, [&](const char* line, std::size_t size) { lists.commands.emplace_back(line, size); });
    } else {
        lists.missing.push_back(lists.folder + "commands.txt");
    }
}

}  // namespace

namespace bmhost::detail {

const std::vector<ListedDataRef>& ListedDataRefs() {
    if (!L().read) ReadLists();
    return L().dataRefs;
}

const std::vector<std::string_view>& ListedCommands() {
    if (!L().read) ReadLists();
    return L().commands;
}

void ReportMissingSimData() {
    if (!L().read) ReadLists();
    for (const std::string& path : L().missing)
        HostWarning("cannot read " + path + "; the simulator's own data refs and commands are the built-in few");
}

}  // namespace bmhost::detail

namespace bmhost {

void SetSimDataFolder(const std::string& folder) {
    Lists& lists = L();
    lists = Lists();
    if (!folder.empty()) lists.folder = folder.back() == '/' ? folder : folder + "/";
    detail::SimDataChanged();
}

}  // namespace bmhost
