// A stand-in refinement engine for the driver's tests. What it does is scripted
// through the environment, and every call is logged, so that tests can drive
// each path of the driver:
//   KORALIX_TEST_ENGINE_SCRIPT  "key=value;..." with the keys
//       start, iterate, close, closemem   status returned by that call
//       finish                            cycle at which the finished flag is set
//       fault                             call (start, iterate, close, quickclose,
//                                         getstatus) that raises division by zero
//       throw                             call that lets a C++ exception escape
//       npts, nrefl                       sizes reported by getplotinfo
//       progress                          value reported by getstatus
//       block                             call (iterate) that never returns, so
//                                         that a test can signal the process
//       slow                              call (iterate) that takes 300 ms, so
//                                         that a test can act while it runs
//       extras                            1: closeprog writes BASE.ang, BASE.plt,
//                                         BASE.hkl and BASE.leb, the latter holding
//                                         what startprog found in BASE.leb with one
//                                         line "round" more
//   KORALIX_TEST_ENGINE_LOG     file to which each call appends one line
//       four                              status returned by getfour
//       notes                             WITH_getnotes: notes "held 1".."held N"
//                                         there from the start
//       cyclenote                         WITH_getnotes: a cycle from which one
//                                         more note "held in cycle C" is there
// Exports can be left out at build time with OMIT_<name>, and the version is
// ENGINE_VERSION. WITH_getfour adds a getfour whose map is cos(2 pi k / 64)
// along each row, so that its extremes are -1 and 1. WITH_getnotes adds getnotes.
#include <unistd.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#ifndef ENGINE_VERSION
#define ENGINE_VERSION 8.0f
#endif

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::map<std::string, std::string> Script() {
    std::map<std::string, std::string> script;
    const char* text = std::getenv("KORALIX_TEST_ENGINE_SCRIPT");
    std::stringstream in(text ? text : "");
    for (std::string item; std::getline(in, item, ';');) {
        auto eq = item.find('=');
        if (eq != std::string::npos) script[item.substr(0, eq)] = item.substr(eq + 1);
    }
    return script;
}

int Number(const char* key, int otherwise) {
    auto script = Script();
    auto it = script.find(key);
    return it == script.end() ? otherwise : std::atoi(it->second.c_str());
}

void Log(const std::string& line) {
    if (const char* path = std::getenv("KORALIX_TEST_ENGINE_LOG"))
        std::ofstream(path, std::ios::app) << line << '\n';
}

void MaybeFail(const char* call) {
    auto script = Script();
    if (script["fault"] == call) std::feraiseexcept(FE_DIVBYZERO);
    if (script["throw"] == call) throw std::runtime_error("engine failure");
    if (script["block"] == call)
        for (;;)
            ::pause();
    if (script["slow"] == call) ::usleep(300000);
}

std::string Name(const char* buffer) {
    std::string name(buffer, 250);
    auto zero = name.find('\0');
    if (zero != std::string::npos) name.resize(zero);
    return name;
}

// What a loaded copy of the library remembers; a fresh load starts empty.
int g_startCount = 0;
std::string g_input, g_base, g_leb;
int g_cycle = 0;

} // namespace

EXPORT void startprog(int32_t* nhist, int32_t* idsz, int32_t* irs, int32_t* nipoi, char* input,
                      char* data, char* output, char* base, int32_t* status) {
    ++g_startCount;
    g_input = Name(input);
    g_base = Name(base);
    Log("startprog nhist=" + std::to_string(*nhist) + " idsz=" + std::to_string(*idsz) +
        " irs=" + std::to_string(*irs) + " nipoi=" + std::to_string(*nipoi) + " input=" + g_input +
        " data=" + Name(data) + " output=" + Name(output) + " base=" + g_base +
        " loads=" + std::to_string(g_startCount));
    *status = Number("start", 0);
    if (*status == 0 && !std::ifstream(g_input)) *status = 1;
    if (*status == 0) std::ofstream(Name(output)) << "listing\n";
    g_leb.clear();
    if (std::ifstream leb(g_base + ".leb"); leb) std::getline(leb, g_leb, '\0');
    MaybeFail("start");
}

EXPORT void iteration(int32_t* nhist, int32_t* cycle, int32_t* finished, int32_t* status) {
    Log("iteration nhist=" + std::to_string(*nhist) + " cycle=" + std::to_string(*cycle));
    g_cycle = *cycle;
    *status = Number("iterate", 0);
    if (*cycle >= Number("finish", 1000000)) *finished = 1;
    MaybeFail("iterate");
}

EXPORT void closeprog(int32_t* nhist, int32_t* update, int32_t* status) {
    Log("closeprog nhist=" + std::to_string(*nhist) + " update=" + std::to_string(*update));
    *status = Number("close", 0);
    if (*update == 1) {
        std::ifstream in(g_input, std::ios::binary);
        std::ofstream(g_base + ".upd", std::ios::binary) << in.rdbuf();
    }
    if (Number("extras", 0) == 1) {
        std::ofstream(g_base + ".ang") << "bonds\n";
        std::ofstream(g_base + ".plt") << "plot\n";
        std::ofstream(g_base + ".hkl") << "reflections\n";
        std::ofstream(g_base + ".leb") << g_leb << "round\n";
    }
    MaybeFail("close");
}

#ifndef OMIT_quickclose
EXPORT void quickclose() {
    Log("quickclose");
    MaybeFail("quickclose");
}
#endif

EXPORT void closemem(int32_t* status) {
    Log("closemem");
    *status = Number("closemem", 0);
}

EXPORT void getinfo(int32_t* hist, float* rp, float* rwp, float* chi2, float*, float*, float*,
                    float*) {
    *rp = 10.0f * *hist + 0.5f;
    *rwp = 20.0f * *hist + 0.25f;
    *chi2 = 1.5f * *hist;
}

EXPORT void getstatus(float* progress) {
    *progress = static_cast<float>(Number("progress", 42)) + 0.75f;
    MaybeFail("getstatus");
}

EXPORT void getplotinfo(int32_t* hist, int32_t* npts, int32_t* nrefl, float* start, float* step) {
    Log("getplotinfo hist=" + std::to_string(*hist));
    *npts = Number("npts", 5);
    *nrefl = Number("nrefl", 2);
    *start = 10.0f;
    *step = 0.5f;
}

EXPORT void getplot(int32_t* hist, int32_t* final, int32_t*, float* x, float* yobs, float* ycalc,
                    int32_t* codes, float* positions) {
    Log("getplot hist=" + std::to_string(*hist) + " final=" + std::to_string(*final));
    const int npts = Number("npts", 5), nrefl = Number("nrefl", 2);
    for (int i = 0; i < npts; ++i) {
        x[i] = 10.0f + 0.5f * i;
        yobs[i] = 100.0f + i;
        ycalc[i] = 90.0f + i;
    }
    for (int r = 0; r < nrefl; ++r) {
        // phase 1, sub-index 1, hkl (1, r, -1)
        codes[r] = (1 << 26) + (1 << 24) + (129 << 16) + ((128 + r) << 8) + 127;
        positions[r] = 11.0f + r;
    }
}

#ifdef WITH_getfour
EXPORT void getfour(int32_t* hist, int32_t* phase, int32_t* axis, int32_t* type, int32_t* open,
                    float* min, float* max, float* map, int32_t* status) {
    Log("getfour hist=" + std::to_string(*hist) + " phase=" + std::to_string(*phase) +
        " axis=" + std::to_string(*axis) + " type=" + std::to_string(*type) +
        " open=" + std::to_string(*open));
    const auto script = Script();
    *status = script.count("four") ? std::stoi(script.at("four")) : 0;
    if (*status != 0) return;
    for (int n = 0; n < 64 * 64 * 64; ++n)
        map[n] = static_cast<float>(std::cos(2 * 3.14159265358979 * (n % 64) / 64.0));
    *min = -1;
    *max = 1;
}
#endif

#ifndef OMIT_getrdf
EXPORT void getrdf(float* values, float* rmax, int32_t* phase, int32_t* function, int32_t*) {
    Log("getrdf rmax=" + std::to_string(*rmax) + " phase=" + std::to_string(*phase) +
        " function=" + std::to_string(*function));
    for (int i = 0; i < 5000; ++i)
        values[i] = 0.01f * i;
}
#endif

EXPORT void getpar(int32_t* hist, int32_t* phase, int32_t* atom, int32_t* type, float* value,
                   float* esd, int32_t* status) {
    *value = 1000.0f * *hist + 100.0f * *phase + 10.0f * *atom + *type;
    *esd = 0.5f;
    *status = 0;
}

EXPORT void getpar2(int32_t* number, float* value, float* esd, int32_t* status) {
    *value = static_cast<float>(*number);
    *esd = *number / 100.0f;
    *status = *number > 0 ? 0 : 1;
}

EXPORT void setpar(int32_t* hist, int32_t* phase, int32_t* atom, int32_t* type, float* value,
                   int32_t* status) {
    Log("setpar " + std::to_string(*hist) + " " + std::to_string(*phase) + " " +
        std::to_string(*atom) + " " + std::to_string(*type) + " " + std::to_string(*value));
    *status = 0;
}

#ifndef OMIT_getverdll
EXPORT void getverdll(float* version) {
    *version = ENGINE_VERSION;
}
#endif

EXPORT void putinfo(int32_t*, int32_t*, int32_t*) {}

#ifdef WITH_getnotes
EXPORT void getnotes(int32_t* number, int32_t* length, char* text, int32_t* count) {
    std::vector<std::string> notes;
    for (int n = 1; n <= Number("notes", 0); ++n)
        notes.push_back("held " + std::to_string(n));
    if (const int cycle = Number("cyclenote", 0); cycle > 0 && g_cycle >= cycle)
        notes.push_back("held in cycle " + std::to_string(cycle));
    *count = static_cast<int32_t>(notes.size());
    if (!number || *number < 1 || *number > *count) return;
    const std::string note =
        notes[static_cast<size_t>(*number - 1)].substr(0, static_cast<size_t>(*length - 1));
    std::string buffer(static_cast<size_t>(*length), ' ');
    buffer.replace(0, note.size() + 1, note + '\0');
    std::copy(buffer.begin(), buffer.end(), text);
}
#endif
