// Where a reflection's peaks land on a histogram's x axis and how wide they
// are, for one kind of measurement. Today the angle-dispersive geometry (x is
// 2-theta, one or two wavelengths); time of flight and energy-dispersive
// histograms are further geometries behind the same interface.
#pragma once

#include "EngineState.h"
#include "Model.h"
#include "Profiles.h"
#include "Setup.h"

#include <memory>

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
};

// Constant-wavelength X-ray or neutron: x is 2-theta in degrees.
class TTwoThetaGeometry final : public TPeakGeometry {
  public:
    int Components(const TGeometryInput& input) const override;
    bool Place(const TGeometryInput& input, double d, double u, int component,
               TPeakPlacement& out) const override;
};

// The geometry of a histogram by its job type.
std::unique_ptr<TPeakGeometry> MakePeakGeometry(const THistogram& histogram);

} // namespace koralix::engine
