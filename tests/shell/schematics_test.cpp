// The six schematics: each shows exactly the parts and connections of its circuit, in a 1-bit picture
// of the right size, with no label cut off or written over another.
#include "shell/window/schematics.h"

#include <QTest>

#include <algorithm>

using namespace torvel;

Q_DECLARE_METATYPE(torvel::Image)

namespace {

using Parts = std::vector<DrawnPart>;

// The loop every schematic shares: A1 lossy integrator, A2 integrator, A3 inverter, R3 closing the loop.
Parts loopParts()
{
    return {{"IN", "IN", "IN"}, {"R4", "IN", "N1"}, {"C1", "N1", "V1"}, {"R1", "N1", "V1"}, {"A1", "N1", "V1"},
            {"R2", "V1", "N2"}, {"C2", "N2", "V2"}, {"A2", "N2", "V2"}, {"R5", "V2", "N3"}, {"R6=R5", "N3", "V3"},
            {"A3", "N3", "V3"}, {"R3", "V3", "N1"}};
}

Parts withSumming(Parts parts, const Parts& third)
{
    parts.insert(parts.end(), third.begin(), third.end());
    parts.insert(parts.end(), {{"R7", "V1", "N4"}, {"R9", "IN", "N4"}, {"R10", "N4", "V4"}, {"A4", "N4", "V4"},
                               {"OUT", "V4", "V4"}});
    return parts;
}

Parts sorted(Parts parts)
{
    std::sort(parts.begin(), parts.end(), [](const DrawnPart& a, const DrawnPart& b) {
        return std::tie(a.label, a.from, a.to) < std::tie(b.label, b.from, b.to);
    });
    return parts;
}

QStringList describe(const Parts& parts)
{
    QStringList lines;
    for (const DrawnPart& part : sorted(parts))
        lines << part.label + ":" + part.from + "-" + part.to;
    return lines;
}

}  // namespace

class SchematicsTest : public QObject {
    Q_OBJECT
private slots:
    void showsThePartsOfItsCircuit_data();
    void showsThePartsOfItsCircuit();
    void isOneBitBlackOnWhiteOfItsSize_data();
    void isOneBitBlackOnWhiteOfItsSize();
    void labelsStayInsideAndApart_data();
    void labelsStayInsideAndApart();
    void highPassAndUpperZeroShareOneDrawing();
    void everyPictureSharesTheLoopDrawing();
};

void SchematicsTest::showsThePartsOfItsCircuit_data()
{
    QTest::addColumn<Image>("image");
    QTest::addColumn<QStringList>("parts");
    QTest::newRow("Image3 low-pass: OUT at A3") << Image::Image3 << describe([] {
        Parts p = loopParts();
        p.push_back({"OUT", "V3", "V3"});
        return p;
    }());
    QTest::newRow("Image4 high-pass: R8' from A3 into A4")
        << Image::Image4 << describe(withSumming(loopParts(), {{"R8'", "V3", "N4"}}));
    QTest::newRow("Image5 band-pass: OUT at A1") << Image::Image5 << describe([] {
        Parts p = loopParts();
        p.push_back({"OUT", "V1", "V1"});
        return p;
    }());
    QTest::newRow("Image6 lower zero: R8 from A2 into A4")
        << Image::Image6 << describe(withSumming(loopParts(), {{"R8", "V2", "N4"}}));
    QTest::newRow("Image7 upper zero: as high-pass")
        << Image::Image7 << describe(withSumming(loopParts(), {{"R8'", "V3", "N4"}}));
    QTest::newRow("Image8 notch and all-pass: no third input") << Image::Image8 << describe(withSumming(loopParts(), {}));
}

void SchematicsTest::showsThePartsOfItsCircuit()
{
    QFETCH(Image, image);
    QFETCH(QStringList, parts);
    QCOMPARE(describe(drawSchematic(image).parts), parts);
}

void SchematicsTest::isOneBitBlackOnWhiteOfItsSize_data()
{
    QTest::addColumn<Image>("image");
    QTest::addColumn<int>("width");
    for (Image image : kAllImages) {
        const int width = image == Image::Image5 ? 447 : 445;  // the band-pass picture runs 2 pixels wider
        QTest::addRow("Image%d", static_cast<int>(image) + 3) << image << width;
    }
}

void SchematicsTest::isOneBitBlackOnWhiteOfItsSize()
{
    QFETCH(Image, image);
    QFETCH(int, width);
    const QImage picture = drawSchematic(image).image;
    QCOMPARE(picture.format(), QImage::Format_Mono);
    QCOMPARE(picture.size(), QSize(width, 270));
    QCOMPARE(picture.colorTable(), (QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}));
    // White ground: the corners are colour 1, and black is a small share of the picture.
    QCOMPARE(picture.pixelIndex(0, 0), 1);
    QCOMPARE(picture.pixelIndex(width - 1, 269), 1);
    qsizetype black = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            black += picture.pixelIndex(x, y) == 0;
    }
    QVERIFY2(black > 1000 && black < picture.width() * picture.height() / 10, qPrintable(QString::number(black)));
}

void SchematicsTest::labelsStayInsideAndApart_data() { isOneBitBlackOnWhiteOfItsSize_data(); }

void SchematicsTest::labelsStayInsideAndApart()
{
    QFETCH(Image, image);
    const Schematic schematic = drawSchematic(image);
    const QRect shown(0, 0, kSchematicWidth, kSchematicHeight);  // the control cuts a wider picture
    for (std::size_t i = 0; i < schematic.labelBoxes.size(); ++i) {
        const QRect box = schematic.labelBoxes[i];
        QVERIFY2(shown.contains(box), qPrintable(QStringLiteral("label %1 cut off").arg(i)));
        for (std::size_t j = i + 1; j < schematic.labelBoxes.size(); ++j)
            QVERIFY2(!box.intersects(schematic.labelBoxes[j]), qPrintable(QStringLiteral("labels %1 and %2 overlap").arg(i).arg(j)));
    }
}

void SchematicsTest::highPassAndUpperZeroShareOneDrawing()
{
    QCOMPARE(drawSchematic(Image::Image7).image, drawSchematic(Image::Image4).image);
    QVERIFY(drawSchematic(Image::Image6).image != drawSchematic(Image::Image4).image);
}

void SchematicsTest::everyPictureSharesTheLoopDrawing()
{
    // Above the input row's junctions (y < 87) and left of the output terminal (x < 400) nothing but
    // the loop is drawn, so that part of every picture agrees.
    const QRect loop(0, 0, 400, 87);
    const QImage reference = drawSchematic(Image::Image3).image.copy(loop);
    for (Image image : kAllImages)
        QCOMPARE(drawSchematic(image).image.copy(loop), reference);
}

QTEST_MAIN(SchematicsTest)
#include "schematics_test.moc"
