// The operations of the refinement engine library, as the program calls them.
// Every argument passes by address: integers are 32-bit signed, reals 32-bit
// singles. A file name passes as a 250-byte buffer of blanks with the name at
// its start followed by one zero byte. The engine sets status to 0 on success.
#pragma once

#include <cstdint>

namespace koralix::engine {

constexpr int NameBufferSize = 250;
constexpr int InfoArrayLength = 400;
constexpr int RdfLength = 5000;
constexpr int FourierSide = 64;
constexpr int MaxPlotPoints = 50000;

extern "C" {
using StartProgFn = void(int32_t* nhist, int32_t* idsz, int32_t* irs, int32_t* nipoi, char* input,
                         char* dataName, char* output, char* baseName, int32_t* status);
using IterationFn = void(int32_t* nhist, int32_t* cycle, int32_t* finished, int32_t* status);
using CloseProgFn = void(int32_t* nhist, int32_t* update, int32_t* status);
using QuickCloseFn = void();
using CloseMemFn = void(int32_t* status);
using GetInfoFn = void(int32_t* hist, float* rp, float* rwp, float* chi2, float* spare,
                       float* values1, float* values2, float* values3);
using GetStatusFn = void(float* progress);
using GetPlotInfoFn = void(int32_t* hist, int32_t* npts, int32_t* nrefl, float* start, float* step);
using GetPlotFn = void(int32_t* hist, int32_t* final, int32_t* spare, float* x, float* yobs,
                       float* ycalc, int32_t* codes, float* positions);
using GetRdfFn = void(float* values, float* rmax, int32_t* phase, int32_t* function,
                      int32_t* spare);
using GetFourFn = void(int32_t* hist, int32_t* phase, int32_t* axis, int32_t* mapType,
                       int32_t* open, float* min, float* max, float* map, int32_t* status);
using GetParFn = void(int32_t* hist, int32_t* phase, int32_t* atom, int32_t* type, float* value,
                      float* esd, int32_t* status);
using GetPar2Fn = void(int32_t* number, float* value, float* esd, int32_t* status);
using SetParFn = void(int32_t* hist, int32_t* phase, int32_t* atom, int32_t* type, float* value,
                      int32_t* status);
using GetVerDllFn = void(float* version);
using PutInfoFn = void(int32_t* a, int32_t* b, int32_t* c);
// Optional: note `number` (from 1) of what the engine held in the open
// refinement, for the user, in a buffer of `length` bytes filled as a name
// (blanks, the text cut to length - 1 bytes, one zero byte); `count` receives
// how many notes there are (0 with no refinement open). A number outside
// 1..count leaves the buffer alone. Notes only come after the last one.
using GetNotesFn = void(int32_t* number, int32_t* length, char* text, int32_t* count);
}

} // namespace koralix::engine
