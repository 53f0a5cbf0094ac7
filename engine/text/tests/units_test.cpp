#include "text/units.h"

#include <gtest/gtest.h>

#include "text_fixture.h"

namespace tarvox {
namespace {

TEST(Units, RewritesUnitsAfterNumbers) {
    testing::TextFixture f;
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {". 1 EUR .", ". en evro ."},
        {". 101 EUR .", ". 100 en evro ."},
        {". 11 EUR .", ". 11 evrov ."},
        {". 21 eur .", ". 21 evrov ."},
        {". 2 kg in 3 h .", ". dva kilograma in tri ure ."},
        {". 25 km .", ". 25 kilometrov ."},
        {". 1 min .", ". ena minuta ."},
        {". 4 USD .", ". {tirje dolarji ."},
        {". 4 s .", ". {tiri sekunde ."},
        {". 5 m visok .", ". 5 metrov visok ."},
        {". 1202 C .", ". 1200 dve stopinji celzija ."},
        {". 3 kHz in 2 MBps .", ". trije kilo herci in dva megabajta nasekundo ."},
        {". 5 \xEC .", ". 5 tolarjev ."},
        {". 0 kW .", ". 0 kilovatov ."},
        {". EUR 5 .", ". EUR 5 ."},
        {". 5 Eur .", ". 5 Eur ."},
        {". 5 mm .", ". 5 mm ."},
        {". 4 s", ". 4 s"},
        {". je s 4 .", ". je s 4 ."},
        {". x 2 kg", ". x dva kilograma "},
    };
    for (const Case& c : cases) {
        std::string s = c.in;
        ExpandUnits(s, f.classes);
        EXPECT_EQ(s, c.out) << c.in;
    }
}

TEST(Units, TablesAsGiven) {
    EXPECT_EQ(TokenUnits().size(), 27u);
    EXPECT_EQ(CharacterUnits().size(), 8u);
    EXPECT_EQ(AgreeingNumeral(4, 1), "{tiri ");
    EXPECT_EQ(AgreeingNumeral(3, 0), "trije ");
    EXPECT_EQ(AgreeingNumeral(5, 0), "");
}

}  // namespace
}  // namespace tarvox
