// The six schematics, drawn from the circuit rather than stored as pictures, so that the drawing can be
// read and reviewed like the rest of the code.
//
// All six share one drawing of the two-integrator loop in their upper part: IN, R4 into the lossy
// integrator A1 (R1 parallel C1), R2 into the integrator A2 (C2), R5 into the inverter A3 (R6 = R5) and
// R3 back from A3 to A1 along the top. They differ in where OUT is taken and in the summing amplifier A4
// below the loop. Each picture is 1 bit per pixel, black drawing on white, 445 x 270; the band-pass one
// is 447 wide, its output terminal running off the right edge of the control that shows it.
#pragma once

#include "design/design_panel.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <vector>

namespace torvel {

/// One part as the picture shows it: its label and the two nodes it joins (IN, N1/V1 ... N4/V4 for the
/// inverting input and output of A1 ... A4). An amplifier joins its inverting input to its output; a
/// terminal ("IN", "OUT") names its node twice.
struct DrawnPart {
    QString label;
    QString from;
    QString to;
    friend bool operator==(const DrawnPart&, const DrawnPart&) = default;
};

struct Schematic {
    QImage image;                    // QImage::Format_Mono, colour 0 black, colour 1 white
    std::vector<DrawnPart> parts;
    std::vector<QRect> labelBoxes;   // where each text landed, to keep labels apart and inside the picture
};

inline constexpr int kSchematicWidth = 445;
inline constexpr int kSchematicHeight = 270;

Schematic drawSchematic(Image which);

}  // namespace torvel
