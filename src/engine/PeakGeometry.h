// Where a reflection's peaks land on a histogram's x axis and how wide they
// are, for one kind of measurement: angle dispersive (x is 2-theta, one or two
// wavelengths), time of flight (x in microseconds) and energy dispersive (x in
// keV at a fixed detector angle).
#pragma once

#include "EngineState.h"
#include "Model.h"
#include "Profiles.h"
#include "Setup.h"

#include <memory>
#include <vector>

namespace koralix::engine {

// What a geometry may read: the model's fixed settings and the current
// refinable numbers of the histogram and of the histogram-phase sample.
struct TGeometryInput {
    const TRietveld& Model;
    const THistogram& Histogram;
    const THistogramData& Data;
    const THistogramState& State;
    const TSampleState& Sample;
};

// One peak of a reflection as the geometry places it.
struct TPeakPlacement {
    double Position = 0; // on the histogram's x axis
    TPeakShape Shape;    // width, mixing and asymmetry at that position
    double Half = 0;     // half the window the peak is drawn over, in x units
    // The geometric intensity factor: the component's share (Kalpha2 ratio),
    // Lorentz and polarisation, absorption and illumination.
    double Factor = 1;
    double Wavelength = 0; // for extinction
    double Theta = 0;      // Bragg angle in radians, for extinction
};

class TPeakGeometry {
  public:
    virtual ~TPeakGeometry() = default;
    // Peaks per reflection (two for Kalpha1 and Kalpha2), fixed for a cycle.
    virtual int Components(const TGeometryInput& input) const = 0;
    // Places component `component` of a reflection of spacing d (Angstrom),
    // `u` being the sample's Gaussian U term for this reflection (U with its
    // anisotropic share). False when the reflection cannot appear.
    virtual bool Place(const TGeometryInput& input, double d, double u, int component,
                       TPeakPlacement& out) const = 0;
    // The smallest d-spacing a point of x-values `x` (ascending) can show.
    virtual double SmallestD(const THistogram& histogram, const std::vector<double>& x) const = 0;
};

// Constant-wavelength X-ray or neutron: x is 2-theta in degrees.
class TTwoThetaGeometry final : public TPeakGeometry {
  public:
    int Components(const TGeometryInput& input) const override;
    bool Place(const TGeometryInput& input, double d, double u, int component,
               TPeakPlacement& out) const override;
    double SmallestD(const THistogram& histogram, const std::vector<double>& x) const override;
};

// Time of flight: T = Zero + DIFC d + DIFA d^2 microseconds with DIFC in Wave1
// and DIFA in Wave2. The Gaussian variance is s^2 = U + V d^2 + W d^4, the
// Lorentzian FWHM Gam0 + Gam1 d + Gam2 d^2 (microseconds), the two combined
// into one pseudo-Voigt as for the constant-wavelength Voigt profiles; the
// exponentials' rise alpha = TofAlpha1 + TofAlpha2 / d and decay
// beta = TofBeta1 + TofBeta2 / d^4 (per microsecond). The intensity carries
// the Lorentz factor d^4 and the incident spectrum of the histogram at T.
class TTimeOfFlightGeometry final : public TPeakGeometry {
  public:
    int Components(const TGeometryInput&) const override { return 1; }
    bool Place(const TGeometryInput& input, double d, double u, int component,
               TPeakPlacement& out) const override;
    double SmallestD(const THistogram& histogram, const std::vector<double>& x) const override;
};

// The incident spectrum at `tof` microseconds from the nine coefficients
// a0..a8, with t in milliseconds:
//   a0 + a1 exp(-a2 / t^2) / t^5 + a3 exp(-a4 t^2) + a5 exp(-a6 t^3) + a7 exp(-a8 t^4),
// a Maxwellian with epithermal terms; 1 when all coefficients are 0.
double IncidentSpectrum(const TIncidentSpec& spectrum, double tof);

// Energy dispersive: E d sin(theta) = 6.19921 keV Angstrom at the detector's
// fixed 2-theta, given in degrees in Wave1; E = that energy + Zero keV. Widths
// in keV: Gaussian FWHM^2 = U E^2 + V E + W, Lorentzian FWHM = Gam0 + Gam1 E,
// combined into a pseudo-Voigt. The intensity carries d^4.
class TEnergyDispersiveGeometry final : public TPeakGeometry {
  public:
    int Components(const TGeometryInput&) const override { return 1; }
    bool Place(const TGeometryInput& input, double d, double u, int component,
               TPeakPlacement& out) const override;
    double SmallestD(const THistogram& histogram, const std::vector<double>& x) const override;
};

// The geometry of a histogram by its job type.
std::unique_ptr<TPeakGeometry> MakePeakGeometry(const THistogram& histogram);

} // namespace koralix::engine
