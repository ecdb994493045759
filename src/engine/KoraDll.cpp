// The exported operations of libkoradll.so. One refinement at a time lives
// in this library; the driver unloads and reloads it for every start, and
// closemem releases it. No exception leaves a call: failures become status
// codes, and no floating-point flag stays raised on success.
#include "Engine.h"
#include "EngineApi.h"
#include "FourierLayout.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstring>
#include <memory>

#define KORA_EXPORT extern "C" __attribute__((visibility("default")))

using namespace koralix;
using namespace koralix::engine;

namespace {

std::unique_ptr<TEngine> current;

std::string NameOf(const char* buffer) {
    if (!buffer) return {};
    const char* end = static_cast<const char*>(std::memchr(buffer, 0, NameBufferSize));
    std::string name(buffer, end ? static_cast<size_t>(end - buffer) : size_t(NameBufferSize));
    while (!name.empty() && (name.back() == ' ' || name.back() == '\0'))
        name.pop_back();
    return name;
}

template <typename Body> void Guarded(int32_t* status, Body body) {
    int32_t code = Status::Ok;
    try {
        code = body();
    } catch (const std::bad_alloc&) {
        code = 100;
    } catch (...) {
        code = Status::NotAvailable;
    }
    std::feclearexcept(FE_ALL_EXCEPT);
    if (status) *status = code;
}

bool ValidHistogram(const int32_t* hist) {
    return current && hist && *hist >= 1 && *hist <= current->HistogramCount();
}

float Single(double v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<float>(std::clamp(v, -3.0e38, 3.0e38));
}

} // namespace

KORA_EXPORT void startprog(int32_t* nhist, int32_t* idsz, int32_t* irs, int32_t* nipoi, char* input,
                           char* dataName, char* output, char* baseName, int32_t* status) {
    Guarded(status, [&]() -> int32_t {
        current = std::make_unique<TEngine>();
        TStartArguments a;
        a.Histograms = nhist ? *nhist : 0;
        a.Idsz = idsz ? *idsz : 8000;
        a.Irs = irs ? *irs : 1500;
        a.Nipoi = nipoi ? *nipoi : 0;
        a.Input = NameOf(input);
        a.DataName = NameOf(dataName);
        a.Output = NameOf(output);
        a.BaseName = NameOf(baseName);
        return current->Start(a);
    });
}

KORA_EXPORT void iteration(int32_t*, int32_t* cycle, int32_t* finished, int32_t* status) {
    Guarded(status, [&]() -> int32_t {
        if (!current) return Status::NotAvailable;
        bool done = false;
        const int code = current->Iterate(cycle ? *cycle : 1, done);
        if (finished && done) *finished = 1;
        return code;
    });
}

KORA_EXPORT void closeprog(int32_t*, int32_t* update, int32_t* status) {
    Guarded(status, [&]() -> int32_t {
        if (!current) return Status::NotAvailable;
        return current->Close(update && *update == 1);
    });
}

KORA_EXPORT void quickclose() {
    current.reset();
    std::feclearexcept(FE_ALL_EXCEPT);
}

KORA_EXPORT void closemem(int32_t* status) {
    current.reset();
    std::feclearexcept(FE_ALL_EXCEPT);
    if (status) *status = 0;
}

KORA_EXPORT void getinfo(int32_t* hist, float* rp, float* rwp, float* chi2, float* spare, float*,
                         float*, float*) {
    float values[4] = {0, 0, 0, 0};
    if (ValidHistogram(hist)) {
        const TAgreement& a = current->Agreement(*hist);
        values[0] = Single(a.Rp);
        values[1] = Single(a.Rwp);
        values[2] = Single(a.Chi2);
        values[3] = Single(a.Rexp);
    }
    if (rp) *rp = values[0];
    if (rwp) *rwp = values[1];
    if (chi2) *chi2 = values[2];
    if (spare) *spare = values[3];
    std::feclearexcept(FE_ALL_EXCEPT);
}

KORA_EXPORT void getstatus(float* progress) {
    if (progress) *progress = current ? current->Progress() : 0.0f;
}

KORA_EXPORT void getplotinfo(int32_t* hist, int32_t* npts, int32_t* nrefl, float* start,
                             float* step) {
    int32_t points = 0, reflections = 0;
    float first = 0, width = 0;
    try {
        if (ValidHistogram(hist)) {
            const THistogramData& d = current->Data(*hist);
            points = static_cast<int32_t>(std::min<size_t>(d.X.size(), MaxPlotPoints));
            reflections = static_cast<int32_t>(current->PlotReflections(*hist).size());
            if (points > 0) first = Single(d.X.front());
            if (points > 1) width = Single((d.X[size_t(points - 1)] - d.X.front()) / (points - 1));
        }
    } catch (...) {
        points = reflections = 0;
    }
    if (npts) *npts = points;
    if (nrefl) *nrefl = reflections;
    if (start) *start = first;
    if (step) *step = width;
    std::feclearexcept(FE_ALL_EXCEPT);
}

KORA_EXPORT void getplot(int32_t* hist, int32_t*, int32_t*, float* x, float* yobs, float* ycalc,
                         int32_t* codes, float* positions) {
    try {
        if (!ValidHistogram(hist)) return;
        const THistogramData& d = current->Data(*hist);
        const auto& calc = current->Calculated(*hist);
        const size_t n = std::min<size_t>(d.X.size(), MaxPlotPoints);
        for (size_t i = 0; i < n; ++i) {
            if (x) x[i] = Single(d.X[i]);
            if (yobs) yobs[i] = Single(d.Calculation ? calc[i] : d.Y[i]);
            if (ycalc) ycalc[i] = Single(calc[i]);
        }
        const auto reflections = current->PlotReflections(*hist);
        for (size_t k = 0; k < reflections.size(); ++k) {
            if (codes) codes[k] = reflections[k].Code;
            if (positions) positions[k] = Single(reflections[k].Position);
        }
    } catch (...) {
    }
    std::feclearexcept(FE_ALL_EXCEPT);
}

// getrdf has no status argument and reports failures in its spare one. The
// values run 0.01 apart from r = 0 up to rmax (at most the buffer), the rest 0.
KORA_EXPORT void getrdf(float* values, float* rmax, int32_t* phase, int32_t* function,
                        int32_t* spare) {
    Guarded(spare, [&]() -> int32_t {
        if (!current || !values || !phase || !function) return Status::NotAvailable;
        const double limit = std::clamp(rmax ? double(*rmax) : 10.0, 0.0, RdfLength * 0.01);
        std::vector<double> r;
        const int code = current->RadialDistribution(*phase, *function, limit, 0.01, r);
        for (size_t i = 0; i < size_t(RdfLength); ++i)
            values[i] = i < r.size() ? Single(r[i]) : 0.0f;
        return code;
    });
}

// The map is filled whether or not the refinement is still open: after
// closeprog the engine keeps the last structure until closemem.
KORA_EXPORT void getfour(int32_t* hist, int32_t* phase, int32_t* axis, int32_t* mapType, int32_t*,
                         float* min, float* max, float* map, int32_t* status) {
    Guarded(status, [&]() -> int32_t {
        if (!current || !hist || !phase || !mapType || !map) return Status::NotAvailable;
        std::vector<double> rho;
        const int code = current->FourierGrid(*hist, *phase, *mapType, rho);
        if (code != Status::Ok) return code;
        const int along = axis ? std::clamp(*axis, 1, 3) : 3;
        ArrangeSlices(rho, along, map);
        const auto [lo, hi] = std::minmax_element(map, map + MapSize);
        if (min) *min = *lo;
        if (max) *max = *hi;
        return Status::Ok;
    });
}

KORA_EXPORT void getpar(int32_t* hist, int32_t* phase, int32_t* atom, int32_t* type, float* value,
                        float* esd, int32_t* status) {
    Guarded(status, [&]() -> int32_t {
        if (!current || !hist || !phase || !atom || !type) return Status::NotAvailable;
        double v = 0, e = 0;
        const int code = current->GetParameter({*hist, *phase, *atom, *type}, v, e);
        if (value) *value = Single(v);
        if (esd) *esd = Single(e);
        return code;
    });
}

KORA_EXPORT void getpar2(int32_t* number, float* value, float* esd, int32_t* status) {
    Guarded(status, [&]() -> int32_t {
        if (!current || !number) return Status::NotAvailable;
        double v = 0, e = 0;
        const int code = current->GetByNumber(*number, v, e);
        if (value) *value = Single(v);
        if (esd) *esd = Single(e);
        return code;
    });
}

KORA_EXPORT void setpar(int32_t* hist, int32_t* phase, int32_t* atom, int32_t* type, float* value,
                        int32_t* status) {
    Guarded(status, [&]() -> int32_t {
        if (!current || !hist || !phase || !atom || !type || !value) return Status::NotAvailable;
        return current->SetParameter({*hist, *phase, *atom, *type}, *value);
    });
}

KORA_EXPORT void getverdll(float* version) {
    if (version) *version = EngineVersion;
}

KORA_EXPORT void putinfo(int32_t*, int32_t*, int32_t*) {}

// The parameters the open refinement holds because the pattern does not
// depend on them, for the driver to tell the user; their status stays 0.
KORA_EXPORT void getnotes(int32_t* number, int32_t* length, char* text, int32_t* count) {
    try {
        const std::vector<std::string> none;
        const auto& notes = current ? current->HeldNotes() : none;
        if (count) *count = static_cast<int32_t>(notes.size());
        if (!number || !length || !text || *length < 1) return;
        if (*number < 1 || *number > static_cast<int32_t>(notes.size())) return;
        const std::string& note = notes[size_t(*number - 1)];
        const size_t size = std::min(note.size(), size_t(*length - 1));
        std::fill(text, text + *length, ' ');
        std::copy(note.begin(), note.begin() + static_cast<std::ptrdiff_t>(size), text);
        text[size] = '\0';
    } catch (...) {
        if (count) *count = 0;
    }
}
