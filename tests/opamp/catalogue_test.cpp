// The built-in op-amps: enough of every kind, figures that make sense together, lookup by name.
#include "opamp/opamp_catalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace torvel {
namespace {

TEST(OpAmpCatalogue, CommonPartsOfEveryKindWithConsistentFigures)
{
    std::set<std::string> names;
    std::set<OpAmpFamily> families;
    for (const CatalogueEntry& e : opAmpCatalogue()) {
        const std::string name(e.name);
        EXPECT_TRUE(names.insert(name).second) << name;
        families.insert(e.family);
        EXPECT_GT(e.gbwMHz, 0) << name;
        EXPECT_GT(e.slewVPerUs, 0) << name;
        EXPECT_GT(e.enNvPerRtHz, 0) << name;
        EXPECT_GT(e.inPaPerRtHz, 0) << name;
        EXPECT_LT(e.supplyNegative, 0) << name;  // the signal ground between the rails
        EXPECT_GT(e.supplyPositive, 0) << name;
        EXPECT_GE(e.outputLow, e.supplyNegative) << name;  // the output stays inside the rails
        EXPECT_LE(e.outputHigh, e.supplyPositive) << name;
        EXPECT_GT(figuresOf(e).symmetricSwing(), 0) << name;
        EXPECT_FALSE(e.condition.empty()) << name;
    }
    EXPECT_GE(names.size(), 12u);
    EXPECT_EQ(families.size(), 3u);
}

TEST(OpAmpCatalogue, LookupByNameIgnoresCaseAndCustomIsIdeal)
{
    const std::optional<OpAmpFigures> ne5532 = opAmpByName("ne5532");
    ASSERT_TRUE(ne5532);
    EXPECT_EQ(ne5532->name, "NE5532");
    EXPECT_DOUBLE_EQ(ne5532->gainBandwidthHz, 10e6);
    EXPECT_DOUBLE_EQ(ne5532->slewRate, 9e6);
    EXPECT_DOUBLE_EQ(ne5532->voltageNoise, 5e-9);
    EXPECT_DOUBLE_EQ(ne5532->currentNoise, 0.7e-12);
    EXPECT_DOUBLE_EQ(ne5532->outputHigh(), 13);
    EXPECT_DOUBLE_EQ(ne5532->outputLow(), -13);
    EXPECT_FALSE(opAmpByName("uA709"));
    EXPECT_FALSE(opAmpByName(""));

    const std::optional<OpAmpFigures> custom = opAmpByName("Custom");
    ASSERT_TRUE(custom);
    EXPECT_TRUE(custom->ideal());
    EXPECT_TRUE(std::isinf(custom->slewRate));
    EXPECT_TRUE(std::isinf(custom->symmetricSwing()));
    EXPECT_EQ(custom->voltageNoise, 0);
}

TEST(OpAmpCatalogue, AnotherSupplyKeepsTheHeadroom)
{
    OpAmpFigures spec = *opAmpByName("NE5532");  // 2 V from each rail at +-15 V
    setSupply(spec, -5, 5);
    EXPECT_DOUBLE_EQ(spec.outputHigh(), 3);
    EXPECT_DOUBLE_EQ(spec.outputLow(), -3);
    // An asymmetric supply: the sine around the signal ground is limited by the nearer rail.
    setSupply(spec, -4, 12);
    EXPECT_DOUBLE_EQ(spec.symmetricSwing(), 2);
}

}  // namespace
}  // namespace torvel
