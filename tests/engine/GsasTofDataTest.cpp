// The x the engine takes from GSAS raw files: microseconds for a
// time-of-flight histogram whatever the layout, and the file's own reading
// for constant wavelength.
#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <string>
#include <vector>

using namespace koralix;
using namespace koralix::engine;
using namespace koralix::engine::test;

namespace {

struct TGsasLayoutCase {
    const char* name;
    const char* text; // title, BANK line and records of four points
    std::vector<double> expected;
};

void PrintTo(const TGsasLayoutCase& layout, std::ostream* out) {
    *out << layout.name;
}

// Four points at 8000, 8005, 8010 and 8015 microseconds in each layout: the
// grid layouts give BCOEF in microseconds, ALT records 32 times the
// microseconds (RALF and CONST binning alike), FXYE the microseconds.
const std::vector<double> TofPoints = {8000, 8005, 8010, 8015};

const TGsasLayoutCase TofLayouts[] = {
    {"ConstStd", "Std\nBANK 1 4 1 CONST 8000 5 0 0 STD\n     100     110     120     130\n",
     TofPoints},
    {"ConstStdUnnamed", // STD is often left out
     "Std\nBANK 1 4 1 CONST 8000.0 5.0\n     100     110     120     130\n", TofPoints},
    {"ConstEsd",
     "Esd\nBANK 1 4 1 CONST 8000 5 0 0 ESD\n"
     "     100      10     110      10     120      11     130      11\n",
     TofPoints},
    {"ConstAlt",
     "Alt\nBANK 1 4 1 CONST 8000 5 0 0 ALT\n"
     "  256000    100   10  256160    110   10  256320    120   11  256480    130   11\n",
     TofPoints},
    {"RalfAlt",
     "Ralf\nBANK 1 4 1 RALF   256000.     160.   256000. 0.00062  ALT\n"
     "  256000    100   10  256160    110   10  256320    120   11  256480    130   11\n",
     TofPoints},
    {"SlogFxye",
     "Slog\nBANK 1 4 4 SLOG 8000 8015 0.000624 0 FXYE\n"
     "8000 100 10\n8005 110 10\n8010 120 11\n8015 130 11\n",
     TofPoints},
};

class GsasTimeOfFlightData : public ::testing::TestWithParam<TGsasLayoutCase> {};

std::vector<double> EngineX(TRietveld model, const std::string& text) {
    TempFolder folder;
    std::ofstream(folder.File("data.GS"), std::ios::binary) << text;
    model.DataFormat = 3;
    model.SeparateData = 0;
    TEngine engine;
    // Four points are too few for every model to start; the data are read first.
    engine.StartModel(model, folder.File("data"), "");
    return engine.HistogramCount() == 1 ? engine.Data(1).X : std::vector<double>();
}

TEST_P(GsasTimeOfFlightData, ReachesTheEngineInMicroseconds) {
    const std::vector<double> x = EngineX(PbSO4TimeOfFlight(), GetParam().text);
    ASSERT_EQ(x.size(), GetParam().expected.size());
    for (size_t i = 0; i < x.size(); ++i)
        EXPECT_NEAR(x[i], GetParam().expected[i], 1e-6) << "point " << i;
}

INSTANTIATE_TEST_SUITE_P(Layouts, GsasTimeOfFlightData, ::testing::ValuesIn(TofLayouts),
                         [](const auto& info) { return std::string(info.param.name); });

// A grid file for a constant-wavelength histogram: BCOEF in centidegrees,
// x in degrees, here around PbSO4's (2 0 0) at 26 degrees.
TEST(GsasConstantWavelengthData, KeepsDegreesFromCentidegrees) {
    const std::vector<double> x = EngineX(
        PbSO4Neutron(), "Std\nBANK 1 4 1 CONST 2595 5 0 0 STD\n     100     110     120     130\n");
    ASSERT_EQ(x.size(), 4u);
    EXPECT_NEAR(x[0], 25.95, 1e-5);
    EXPECT_NEAR(x[3], 26.10, 1e-5);
}

} // namespace
