// Where the intensity of each reflection of a phase comes from. Today the
// structure factors of the model's atoms; an extraction of intensities from
// the observed pattern (Le Bail) is another source behind the same interface.
#pragma once

#include "EngineState.h"
#include "Setup.h"

#include <complex>
#include <memory>
#include <vector>

namespace koralix::engine {

class TIntensitySource {
  public:
    virtual ~TIntensitySource() = default;
    // One value per reflection of the phase's list (TSetup::Reflections), in
    // the units of |F|^2, before the overall thermal factor, multiplicity and
    // the geometric and sample corrections. The reference stays valid until
    // the next call.
    virtual const std::vector<double>& Values(const TState& state, int histogram) = 0;
    // Whether the overall thermal factor and the sample corrections (preferred
    // orientation, extinction) apply to the values; an extracted intensity
    // already holds them.
    virtual bool Corrected() const { return true; }
    // Called once per cycle with the unshifted state before the derivatives.
    virtual void Warm(const TState& state) = 0;
};

// |F|^2 of the model's atoms, averaged over Friedel mates when anomalous
// scattering makes them differ. Keeps the unshifted structure's per-atom
// shares, so that a shift of one atom recomputes only that atom's share.
class TStructureFactors final : public TIntensitySource {
  public:
    TStructureFactors(const TSetup& setup, int phase);
    const std::vector<double>& Values(const TState& state, int histogram) override;
    void Warm(const TState& state) override;

  private:
    const TSetup& setup_;
    int phase_;
    struct Cache {
        std::vector<double> key;
        std::vector<double> f2;
        std::vector<std::complex<double>> parts; // [reflection][atom][F(h), F(-h)]
        std::vector<std::complex<double>> total; // [reflection][F(h), F(-h)]
    };
    std::vector<Cache> cache_; // two per histogram: the kept structure and the last other one
    std::vector<double> key_;
};

// The source of phase p (1-based) by its calculation method.
std::unique_ptr<TIntensitySource> MakeIntensitySource(const TSetup& setup, int phase);

} // namespace koralix::engine
