// Lengths between the model's millimetres and a document's measuring unit.
#pragma once

#include "core/host/VGCore.h"

namespace mosvik::host {

// Millimetres per unit; 0 for a code this host does not know.
constexpr double millimetresPer(int32_t unit) {
    switch (unit) {
    case com::UnitInches:
        return 25.4;
    case com::UnitMillimetres:
        return 1.0;
    case com::UnitPixels:
        return 25.4 / 300.0; // the document resolution is 300 dpi
    case com::UnitPoints:
        return 25.4 / 72.0;
    default:
        return 0.0;
    }
}

constexpr bool isKnownUnit(int32_t unit) {
    return millimetresPer(unit) > 0;
}
inline double toUnit(double millimetres, int32_t unit) {
    return millimetres / millimetresPer(unit);
}
inline double fromUnit(double value, int32_t unit) {
    return value * millimetresPer(unit);
}

} // namespace mosvik::host
