// Texture of a powder sample: the March-Dollase correction of a reflection's
// intensity for platelets or needles lying along a preferred direction.
#pragma once

#include "Crystal.h"
#include "Model.h"

#include <gemmi/unitcell.hpp>

namespace koralix::engine {

// Cosine of the angle between reflection h and the direction (dh dk dl),
// both taken as reciprocal-lattice vectors.
double CosAngle(const gemmi::UnitCell& cell, const Hkl& h, double dh, double dk, double dl);

// The March-Dollase factor of reflection r for the sample's axis and the
// refined ratio `po`. The equivalents of a reflection make different angles
// with the axis; `summed` averages the factor over all of them, otherwise
// the reflection's representative (h k l) alone stands for the set.
double MarchDollase(const gemmi::UnitCell& cell, const TReflection& r, const TSample& sample,
                    double po, bool summed);

} // namespace koralix::engine
