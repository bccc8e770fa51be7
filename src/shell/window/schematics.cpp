#include "shell/window/schematics.h"

#include "shell/window/window_font.h"

#include <QFontMetrics>
#include <QPainter>

namespace torvel {
namespace {

// Rows of the loop: R3 across the top, C1 above R1 (both from N1 to V1), the other feedback parts level
// with R1, the inverting inputs and the wires between stages, the outputs, the non-inverting inputs.
constexpr int kTopY = 18;
constexpr int kC1Y = 40;
constexpr int kFeedbackY = 62;
constexpr int kInputY = 91;
constexpr int kOutputY = 100;

// Below the loop: the summing stage.
constexpr int kR8Y = 155;
constexpr int kR7Y = 172;
constexpr int kR10Y = 186;
constexpr int kA4Y = 215;           // output level of A4; its inverting input is 9 above, R9 comes in there
constexpr int kBottomOutY = 250;    // the band-pass output wire

constexpr int kInX = 16;            // where the input wire branches to R9
constexpr int kN1X = 66, kV1X = 116, kN2X = 168, kV2X = 218, kN3X = 270, kV3X = 320;
constexpr int kN4X = 265, kV4X = 315;
constexpr int kOutX = 434;          // centre of the output terminal
constexpr int kBandPassWidth = 447;

constexpr int kAmpWidth = 30;
constexpr int kAmpHalfHeight = 18;
constexpr int kInputOffset = 9;     // the inputs sit 9 above and below the output level
constexpr int kResistorLength = 30;
constexpr int kPlateGap = 6;

class SchematicPainter {
public:
    SchematicPainter(QImage& canvas, Schematic& out) : m_painter(&canvas), m_out(out), m_metrics(m_font)
    {
        m_font = windowFont();
        m_font.setStyleStrategy(QFont::NoAntialias);
        m_painter.setFont(m_font);
        m_metrics = QFontMetrics(m_font);
        m_painter.setPen(QPen(Qt::black, 1));
        m_painter.setRenderHint(QPainter::Antialiasing, false);
    }

    void wire(int x1, int y1, int x2, int y2) { m_painter.drawLine(x1, y1, x2, y2); }

    void dot(int x, int y)
    {
        m_painter.setBrush(Qt::black);
        m_painter.drawEllipse(QPoint(x, y), 2, 2);
        m_painter.setBrush(Qt::NoBrush);
    }

    // Text centred on x with its baseline at y.
    void text(const QString& label, int x, int baselineY)
    {
        const int width = m_metrics.horizontalAdvance(label);
        const QPoint at(x - width / 2, baselineY);
        m_painter.drawText(at, label);
        m_out.labelBoxes.push_back(m_metrics.boundingRect(label).translated(at));
    }

    // A horizontal zigzag resistor centred on cx, wired from x1 to x2 at height y, label above (or below).
    void resistor(const QString& label, const QString& from, const QString& to, int x1, int x2, int cx, int y,
                  bool labelBelow = false)
    {
        const int left = cx - kResistorLength / 2;
        const int right = cx + kResistorLength / 2;
        wire(x1, y, left, y);
        wire(right, y, x2, y);
        constexpr int kTeeth = 6;
        constexpr int kAmplitude = 4;
        QPoint previous(left, y);
        for (int i = 0; i < kTeeth; ++i) {
            const int x = left + (2 * i + 1) * kResistorLength / (2 * kTeeth);
            const QPoint peak(x, y + (i % 2 == 0 ? -kAmplitude : kAmplitude));
            m_painter.drawLine(previous, peak);
            previous = peak;
        }
        m_painter.drawLine(previous, QPoint(right, y));
        text(label, cx, labelBelow ? y + kAmplitude + 11 : y - kAmplitude - 3);
        m_out.parts.push_back({label, from, to});
    }

    // A capacitor (two plates) centred on cx, wired from x1 to x2 at height y, label above and to the right.
    void capacitor(const QString& label, const QString& from, const QString& to, int x1, int x2, int cx, int y)
    {
        const int left = cx - kPlateGap / 2;
        const int right = cx + kPlateGap / 2;
        wire(x1, y, left, y);
        wire(right, y, x2, y);
        constexpr int kPlate = 7;
        wire(left, y - kPlate, left, y + kPlate);
        wire(right, y - kPlate, right, y + kPlate);
        text(label, right + 12, y - 4);
        m_out.parts.push_back({label, from, to});
    }

    // A triangle pointing right with its tip at (left + width, outputY), "-" above and "+" below, the "+"
    // input wired to ground, the name under the tip.
    void amplifier(const QString& label, const QString& inverting, const QString& output, int left, int outputY)
    {
        const int tip = left + kAmpWidth;
        const QPoint corners[] = {{left, outputY - kAmpHalfHeight}, {left, outputY + kAmpHalfHeight}, {tip, outputY}};
        m_painter.drawPolygon(corners, 3);
        const int minusY = outputY - kInputOffset;
        const int plusY = outputY + kInputOffset;
        wire(left + 3, minusY, left + 7, minusY);
        wire(left + 3, plusY, left + 7, plusY);
        wire(left + 5, plusY - 2, left + 5, plusY + 2);
        // The non-inverting input goes to ground.
        const int groundX = left - 6;
        wire(left, plusY, groundX, plusY);
        ground(groundX, plusY + 13);
        wire(groundX, plusY, groundX, plusY + 13);
        text(label, left + 20, outputY + kAmpHalfHeight + 13);
        m_out.parts.push_back({label, inverting, output});
    }

    // A terminal circle with its name above; the wire is drawn by the caller.
    void terminal(const QString& label, const QString& node, int cx, int y, int labelX)
    {
        m_painter.drawEllipse(QPoint(cx, y), 3, 3);
        text(label, labelX, y - 6);
        m_out.parts.push_back({label, node, node});
    }

private:
    void ground(int x, int y)
    {
        wire(x - 6, y, x + 6, y);
        wire(x - 4, y + 3, x + 4, y + 3);
        wire(x - 2, y + 6, x + 2, y + 6);
    }

    QPainter m_painter;
    Schematic& m_out;
    QFont m_font;
    QFontMetrics m_metrics;
};

// The loop that every schematic shows; the caller extends V1, V2 and V3 downwards as its output needs.
void drawLoop(SchematicPainter& p)
{
    // Input: IN through R4 to the inverting input of A1.
    p.terminal(QStringLiteral("IN"), QStringLiteral("IN"), 8, kInputY, 9);
    p.wire(11, kInputY, kInX, kInputY);
    p.resistor(QStringLiteral("R4"), QStringLiteral("IN"), QStringLiteral("N1"), kInX, kN1X + 10, 39, kInputY);

    // A1, the lossy integrator: R1 parallel C1 from V1 back to N1, and R3 from V3 into N1.
    p.wire(kN1X, kTopY, kN1X, kInputY);
    p.dot(kN1X, kC1Y);
    p.dot(kN1X, kFeedbackY);
    p.dot(kN1X, kInputY);
    p.capacitor(QStringLiteral("C1"), QStringLiteral("N1"), QStringLiteral("V1"), kN1X, kV1X, 91, kC1Y);
    p.resistor(QStringLiteral("R1"), QStringLiteral("N1"), QStringLiteral("V1"), kN1X, kV1X, 91, kFeedbackY, true);
    p.amplifier(QStringLiteral("A1"), QStringLiteral("N1"), QStringLiteral("V1"), 76, kOutputY);
    p.wire(106, kOutputY, kV1X, kOutputY);
    p.wire(kV1X, kC1Y, kV1X, kOutputY);
    p.dot(kV1X, kFeedbackY);
    p.dot(kV1X, kInputY);

    // A2, the integrator: R2 in, C2 back.
    p.resistor(QStringLiteral("R2"), QStringLiteral("V1"), QStringLiteral("N2"), kV1X, kN2X + 10, 142, kInputY);
    p.wire(kN2X, kFeedbackY, kN2X, kInputY);
    p.dot(kN2X, kInputY);
    p.capacitor(QStringLiteral("C2"), QStringLiteral("N2"), QStringLiteral("V2"), kN2X, kV2X, 193, kFeedbackY);
    p.amplifier(QStringLiteral("A2"), QStringLiteral("N2"), QStringLiteral("V2"), 178, kOutputY);
    p.wire(208, kOutputY, kV2X, kOutputY);
    p.wire(kV2X, kFeedbackY, kV2X, kOutputY);
    p.dot(kV2X, kInputY);

    // A3, the unity inverter: R5 in, R6 = R5 back.
    p.resistor(QStringLiteral("R5"), QStringLiteral("V2"), QStringLiteral("N3"), kV2X, kN3X + 10, 244, kInputY);
    p.wire(kN3X, kFeedbackY, kN3X, kInputY);
    p.dot(kN3X, kInputY);
    p.resistor(QStringLiteral("R6=R5"), QStringLiteral("N3"), QStringLiteral("V3"), kN3X, kV3X, 295, kFeedbackY);
    p.amplifier(QStringLiteral("A3"), QStringLiteral("N3"), QStringLiteral("V3"), 280, kOutputY);
    p.wire(310, kOutputY, kV3X, kOutputY);
    p.wire(kV3X, kTopY, kV3X, kOutputY);
    p.dot(kV3X, kFeedbackY);

    // R3 closes the loop along the top, from V3 back to N1.
    p.resistor(QStringLiteral("R3"), QStringLiteral("V3"), QStringLiteral("N1"), kN1X, kV3X, 193, kTopY);
}

void outputTerminal(SchematicPainter& p, const QString& node, int fromX, int y)
{
    p.wire(fromX, y, kOutX - 3, y);
    p.terminal(QStringLiteral("OUT"), node, kOutX, y, kOutX - 6);
}

enum class ThirdInput { None, FromV2, FromV3 };

// The summing amplifier A4 below the loop: R7 from V1, R9 from IN, R10 back, the third input (R8) from
// V2 or V3 when the type has one, OUT at its output.
void drawSummingStage(SchematicPainter& p, ThirdInput third)
{
    const int minusY = kA4Y - kInputOffset;
    const int n4Top = third == ThirdInput::None ? kR7Y : kR8Y;
    p.wire(kN4X, n4Top, kN4X, minusY);

    if (third == ThirdInput::FromV2) {
        p.wire(kV2X, kOutputY, kV2X, kR8Y);
        p.dot(kV2X, kOutputY);
        p.resistor(QStringLiteral("R8"), QStringLiteral("V2"), QStringLiteral("N4"), kV2X, kN4X, 241, kR8Y);
    } else if (third == ThirdInput::FromV3) {
        p.wire(kV3X, kOutputY, kV3X, kR8Y);
        p.dot(kV3X, kOutputY);
        p.resistor(QStringLiteral("R8'"), QStringLiteral("V3"), QStringLiteral("N4"), kN4X, kV3X, 292, kR8Y);
    }

    p.wire(kV1X, kOutputY, kV1X, kR7Y);
    p.dot(kV1X, kOutputY);
    p.resistor(QStringLiteral("R7"), QStringLiteral("V1"), QStringLiteral("N4"), kV1X, kN4X, 190, kR7Y);
    if (third != ThirdInput::None)
        p.dot(kN4X, kR7Y);

    p.wire(kInX, kInputY, kInX, minusY);
    p.dot(kInX, kInputY);
    p.resistor(QStringLiteral("R9"), QStringLiteral("IN"), QStringLiteral("N4"), kInX, kN4X + 10, 150, minusY);
    p.dot(kN4X, minusY);

    p.dot(kN4X, kR10Y);
    p.resistor(QStringLiteral("R10"), QStringLiteral("N4"), QStringLiteral("V4"), kN4X, kV4X, 290, kR10Y);
    p.amplifier(QStringLiteral("A4"), QStringLiteral("N4"), QStringLiteral("V4"), kN4X + 10, kA4Y);
    p.wire(kN4X + 10 + kAmpWidth, kA4Y, kV4X, kA4Y);
    p.wire(kV4X, kR10Y, kV4X, kA4Y);
    p.dot(kV4X, kA4Y);
    outputTerminal(p, QStringLiteral("V4"), kV4X, kA4Y);
}

void drawOutputs(SchematicPainter& p, Image which)
{
    switch (which) {
    case Image::Image3:  // low-pass: OUT at A3
        p.dot(kV3X, kOutputY);
        outputTerminal(p, QStringLiteral("V3"), kV3X, kOutputY);
        break;
    case Image::Image5:  // band-pass: OUT from A1, along the bottom
        p.wire(kV1X, kOutputY, kV1X, kBottomOutY);
        p.dot(kV1X, kOutputY);
        p.wire(kV1X, kBottomOutY, kBandPassWidth - 7, kBottomOutY);
        p.terminal(QStringLiteral("OUT"), QStringLiteral("V1"), kBandPassWidth - 4, kBottomOutY, kOutX - 6);
        break;
    case Image::Image4:  // high-pass and TZF (Wn<Wo): the third input from A3
    case Image::Image7:
        drawSummingStage(p, ThirdInput::FromV3);
        break;
    case Image::Image6:  // TZF (Wo<Wn): the third input from A2
        drawSummingStage(p, ThirdInput::FromV2);
        break;
    case Image::Image8:  // notch and all-pass: no third input
        drawSummingStage(p, ThirdInput::None);
        break;
    }
}

// One bit per pixel with a fixed palette, whatever the conversion routines would choose.
QImage toMonochrome(const QImage& drawing)
{
    QImage mono(drawing.size(), QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mono.fill(1);
    for (int y = 0; y < drawing.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(drawing.constScanLine(y));
        for (int x = 0; x < drawing.width(); ++x) {
            if (qGray(row[x]) < 128)
                mono.setPixel(x, y, 0);
        }
    }
    return mono;
}

}  // namespace

Schematic drawSchematic(Image which)
{
    const int width = which == Image::Image5 ? kBandPassWidth : kSchematicWidth;
    QImage drawing(width, kSchematicHeight, QImage::Format_RGB32);
    drawing.fill(Qt::white);
    Schematic result;
    {
        SchematicPainter painter(drawing, result);
        drawLoop(painter);
        drawOutputs(painter, which);
    }
    result.image = toMonochrome(drawing);
    return result;
}

}  // namespace torvel
