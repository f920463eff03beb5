#pragma once

// The sizes a pipe can have, whether read from the drawing or typed into the
// table: a length and an outer diameter above zero, an inner diameter not
// below zero (0 is a solid bar; nothing relates it to the outer one). NaN
// fails every test. One rule for the walk that keeps a pipe, the harvest
// that takes it and the table that stores a row, so that no stored row has a
// size no pipe can have.
namespace pipesolid {

inline bool isPipeLength(double length) { return length > 0.0; }
inline bool isOuterDiameter(double diameter) { return diameter > 0.0; }
inline bool isInnerDiameter(double diameter) { return diameter >= 0.0; }

inline bool hasPipeSizes(double length, double outerDiameter, double innerDiameter)
{
    return isPipeLength(length) && isOuterDiameter(outerDiameter) && isInnerDiameter(innerDiameter);
}

} // namespace pipesolid
