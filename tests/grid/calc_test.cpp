#include "grid/calc.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <utility>

#include "core/orv.hpp"

namespace orv {
namespace {

constexpr float kC0 = 273.15F;

double fahrenheit(double k) { return (k - 273.15) * 1.8 + 32.0; }

// Saturation vapour pressure from an independent formula (Magnus form).
double magnus(double celsius) { return 6.112 * std::exp(17.67 * celsius / (celsius + 243.5)); }

TEST(VapourPressure, MatchesKnownValues) {
    EXPECT_NEAR(vapor_pr(kC0), 6.11, 0.02);
    EXPECT_NEAR(vapor_pr(kC0 + 20.0F), 23.37, 0.1);
    EXPECT_NEAR(vapor_pr(kC0 + 100.0F), 1013.25, 1.5);  // boiling point
    for (float c = -30.0F; c <= 40.0F; c += 5.0F)
        EXPECT_NEAR(vapor_pr(kC0 + c) / magnus(c), 1.0, 0.01) << c;
}

TEST(VapourPressure, InverseRecoversTheTemperature) {
    for (float t = 233.15F; t <= 318.15F; t += 5.0F)
        EXPECT_NEAR(temp_vapor_pr(vapor_pr(t)), t, 0.1) << t;
}

TEST(Humidity, DewpointAndRelativeHumidity) {
    const float t = kC0 + 25.0F;
    EXPECT_NEAR(rel_hum(t, dew_temp(t, 60.0F)), 60.0, 0.5);
    EXPECT_NEAR(dew_temp(t, 150.0F), t, 0.1);               // clamped to 100 percent
    EXPECT_FLOAT_EQ(dew_temp(t, 1.0F), dew_temp(t, 2.0F));  // clamped to 2 percent
    EXPECT_NEAR(rel_hum(kC0 + 30.0F, kC0 + 20.0F), 55.0, 0.5);
    EXPECT_GT(rel_hum(kC0 + 10.0F, kC0 + 12.0F), 100.0F);  // supersaturated, no clamp
    EXPECT_FLOAT_EQ(rel_hum(20.0F, 10.0F), 50.0F);         // two vapour pressures
}

TEST(Humidity, MixingRatioAndSpecificHumidity) {
    // 20 C dewpoint at 1000 mb: e = 23.37 mb, w = 622 e / (p - e) = 14.9 g/kg.
    EXPECT_NEAR(mix_ratio(kC0 + 20.0F, 1000.0F), 14.9, 0.1);
    EXPECT_FLOAT_EQ(mix_ratio(10.0F, 1010.0F), 622.0F * 10.0F / 1000.0F);
    EXPECT_FLOAT_EQ(spec_hum(10.0F, 1000.0F), 6.22F);
    // The saturation line at the dewpoint's own mixing ratio is the dewpoint.
    const float w = mix_ratio(kC0 + 5.0F, 850.0F);
    EXPECT_NEAR(temp_on_mixrat(w, 850.0F), kC0 + 5.0F, 0.1);
}

TEST(Adiabats, DryAdiabat) {
    EXPECT_NEAR(pot_temp(kC0 + 10.0F, 850.0F), 296.6, 0.1);
    EXPECT_FLOAT_EQ(pot_temp(kC0, 1000.0F), kC0);
    EXPECT_NEAR(temp_on_dryad(pot_temp(250.0F, 500.0F), 500.0F), 250.0, 0.01);
}

TEST(Adiabats, SaturatedAdiabatRoundTrip) {
    for (float t : {253.15F, 273.15F, 293.15F, 303.15F})
        for (float p : {1000.0F, 850.0F, 500.0F})
            EXPECT_NEAR(temp_on_satad(thetae_on_satad(t, p), p), t, 0.2) << t << " " << p;
}

TEST(Adiabats, SaturatedAdiabatGivesUpAfterTwelveHalvings) {
    // Too cold to balance: every step moves down, 60 + 30 + ... + 120/4096.
    const float t = temp_on_satad(1.0F, 1000.0F);
    EXPECT_NEAR(t, 253.16 - 120.0 * (1.0 - 1.0 / 4096.0), 1e-3);
}

TEST(VirtualTemperature, AddsTheMoisture) {
    EXPECT_FLOAT_EQ(virt_temp(300.0F, 10.0F, 1000.0F), 300.0F * 1.00609F);
    EXPECT_NEAR(virt_temp(kC0 + 30.0F, kC0 + 20.0F, 1000.0F), kC0 + 30.0 + 2.75, 0.05);
    EXPECT_FLOAT_EQ(virt_temp(300.0F, 0.0F, 1000.0F), 300.0F);
    EXPECT_FLOAT_EQ(virt_pot_temp(kC0 + 10.0F, 0.0F, 850.0F), pot_temp(kC0 + 10.0F, 850.0F));
    EXPECT_NEAR(virt_pot_temp(300.0F, 10.0F, 850.0F), pot_temp(300.0F * 1.00609F, 850.0F), 0.01);
}

TEST(CondensationLevel, AgreesWithAnIndependentFormula) {
    // 20 C over 10 C at 1000 mb: the LCL is near 281 K and 862 mb.
    float residual = -1.0F;
    const float p_lcl = lcl_pres(kC0 + 20.0F, kC0 + 10.0F, 1000.0F, &residual);
    EXPECT_NEAR(p_lcl, 862.0, 6.0);
    EXPECT_LT(std::fabs(residual), 0.05F);
    EXPECT_NEAR(lcl_temp(kC0 + 20.0F, 1000.0F, p_lcl), 281.0, 0.6);
    // Saturated air condenses where it is.
    EXPECT_NEAR(lcl_pres(kC0 + 15.0F, kC0 + 15.0F, 900.0F), 900.0, 1.0);
}

TEST(EquivalentPotentialTemperature, MoistAirAndGuards) {
    // Moist tropical air: well above its potential temperature, near the
    // usual value of about 350 K.
    const float theta_e = eq_pot_temp(kC0 + 30.0F, kC0 + 20.0F, 1000.0F);
    EXPECT_NEAR(theta_e, 350.0, 6.0);
    EXPECT_FLOAT_EQ(eq_pot_temp(300.0F, 0.0F, 850.0F), pot_temp(300.0F, 850.0F));
}

TEST(WetBulb, LiesBetweenDewpointAndTemperature) {
    // 30 C and 20 C dewpoint: about 23.2 C by an independent fit.
    EXPECT_NEAR(wet_bulb(kC0 + 30.0F, kC0 + 20.0F, 1000.0F), kC0 + 23.2, 0.7);
    EXPECT_NEAR(wet_bulb(kC0 + 15.0F, kC0 + 15.0F, 1000.0F), kC0 + 15.0, 0.2);
}

TEST(PressureAltitude, StandardAtmosphere) {
    EXPECT_NEAR(pres_alt(1013.25F), 0.0, 0.5);
    EXPECT_NEAR(pres_alt(850.0F), 1457.0, 3.0);
    EXPECT_NEAR(pres_alt(500.0F), 5574.0, 5.0);
    EXPECT_NEAR(pres_alt(200.0F), 11784.0, 5.0);
    // Both branches meet at the tropopause.
    EXPECT_NEAR(pres_alt(226.32F), pres_alt(226.31F), 1.0);
    EXPECT_NEAR(pres_alt(226.32F), 11000.0, 5.0);
}

TEST(Comfort, HeatIndexAndHumiture) {
    // 90 F with 60 percent humidity reads about 100 F on the published tables.
    const float t = static_cast<float>((90.0 - 32.0) / 1.8 + 273.15);
    const float td = dew_temp(t, 60.0F);
    EXPECT_NEAR(fahrenheit(heat_index(t, td)), 100.0, 2.0);
    // Cool air stays on the simple formula: 60 F at 50 percent.
    const float cool = static_cast<float>((60.0 - 32.0) / 1.8 + 273.15);
    const float cool_td = dew_temp(cool, 50.0F);
    const double rh = rel_hum(cool, cool_td);
    EXPECT_NEAR(fahrenheit(heat_index(cool, cool_td)), 1.2 * (60.0 - 68.0) + 60.8 + 0.0936 * rh,
                0.05);

    EXPECT_NEAR(humiture(kC0 + 10.0F, kC0), 50.0, 0.01);  // e of 6 mb: no addition
    const double e = vapor_pr(kC0 + 25.0F);
    EXPECT_NEAR(humiture(kC0 + 30.0F, kC0 + 25.0F), 86.0 + e - 21.0, 0.01);
}

TEST(WindChill, IndexAndTemperatures) {
    EXPECT_FLOAT_EQ(wind_chill_temp(250.0F, 40.0F), wind_chill_temp(250.0F, 26.0F));
    EXPECT_FLOAT_EQ(wind_chill(250.0F, 40.0F), wind_chill(250.0F, 26.0F));
    EXPECT_LT(wind_chill_temp(250.0F, 10.0F), wind_chill_temp(250.0F, 5.0F));
    // Heat loss at -20 C and 5 m/s: 1474 kcal/m2/h on the classic chart.
    EXPECT_NEAR(wind_chill(kC0 - 20.0F, 5.0F), 1474.0 * 1.1627, 5.0);
    EXPECT_NEAR(wind_chill(306.15F, 10.0F), 0.0, 0.01);

    // The second formula agrees with the published Fahrenheit chart: 0 F and
    // 15 mph feel like -19 F.
    const float zero_f = static_cast<float>((0.0 - 32.0) / 1.8 + 273.15);
    EXPECT_NEAR(fahrenheit(wind_chill_temp2(zero_f, 15.0F / 2.23694F)), -19.4, 0.2);

}

// Unusable or missing input gives the missing value (or the documented
// fallback), never a number made of nothing.
TEST(Guards, MissingAndUnusableInput) {
    float r = 0.0F;  // the residual of the condensation level
    const std::pair<float, float> cases[] = {
        {vapor_pr(50.0F), 0.0F}, {vapor_pr(-1.0F), kMissingF}, {vapor_pr(kMissingF), kMissingF},
        {temp_vapor_pr(0.0F), 0.0F}, {temp_vapor_pr(kMissingF), 0.0F},
        {rel_hum(50.0F, kC0), kMissingF},  // no saturation to divide by
        {dew_temp(kC0, kMissingF), kMissingF}, {dew_temp(kMissingF, 50.0F), kMissingF},
        {rel_hum(kMissingF, kC0), kMissingF}, {rel_hum(kC0, 0.0F), kMissingF},
        {mix_ratio(kMissingF, 1000.0F), kMissingF}, {mix_ratio(kC0, kMissingF), kMissingF},
        {spec_hum(kMissingF, 1000.0F), kMissingF}, {mix_ratio(0.0F, 1000.0F), 0.0F},
        {spec_hum(kC0, 0.0F), 0.0F},
        {mix_ratio(50.0F, 50.0F), kMissingF},  // vapour pressure reaches the total
        {temp_on_mixrat(0.0F, 850.0F), 0.0F}, {pot_temp(kMissingF, 850.0F), kMissingF},
        {pot_temp(kC0, 0.0F), kMissingF}, {temp_on_dryad(kMissingF, 850.0F), 0.0F},
        {temp_on_satad(300.0F, 2500.0F), kMissingF}, {temp_on_satad(kMissingF, 850.0F), kMissingF},
        {thetae_on_satad(kMissingF, 850.0F), 0.0F}, {virt_temp(kMissingF, 10.0F, 1000.0F), kMissingF},
        {virt_temp(300.0F, kMissingF, 1000.0F), kMissingF}, {virt_temp(300.0F, 10.0F, kMissingF), kMissingF},
        {virt_pot_temp(300.0F, 10.0F, 0.0F), kMissingF}, {lcl_pres(kC0, 50.0F, 1000.0F, &r), kMissingF},
        {lcl_pres(kMissingF, kC0, 1000.0F, &r), kMissingF}, {lcl_pres(kC0, kC0, 1200.0F, &r), kMissingF},
        {lcl_pres(kC0, kC0, kMissingF, &r), kMissingF}, {lcl_temp(kC0, 1000.0F, kMissingF), kMissingF},
        {lcl_temp(kMissingF, 1000.0F, 900.0F), kMissingF}, {eq_pot_temp(kMissingF, kC0, 1000.0F), kMissingF},
        {eq_pot_temp(kC0, kMissingF, 1000.0F), kMissingF}, {eq_pot_temp(kC0, kC0, 1500.0F), kMissingF},
        {wet_bulb(300.0F, 0.0F, 1000.0F), 0.0F}, {wet_bulb(kMissingF, kC0, 1000.0F), kMissingF},
        {wet_bulb(kC0, kC0, 1500.0F), kMissingF}, {pres_alt(0.0F), kMissingF}, {pres_alt(kMissingF), kMissingF},
        {heat_index(kC0, kC0 + 1.0F), kMissingF}, {heat_index(kMissingF, kC0), kMissingF},
        {heat_index(kC0, kMissingF), kMissingF}, {humiture(kMissingF, kC0), kMissingF},
        {wind_chill_temp(300.0F, 1.0F), 300.0F}, {wind_chill(250.0F, 1.5F), 250.0F},
        {wind_chill_temp(310.0F, 10.0F), 310.0F},
        {wind_chill_temp2(300.0F, 0.0F), 300.0F},  // never warmer than the air
        {wind_chill(kMissingF, 5.0F), kMissingF}, {wind_chill_temp(250.0F, kMissingF), kMissingF},
        {wind_chill_temp2(kMissingF, 5.0F), kMissingF},
    };
    for (std::size_t k = 0; k < std::size(cases); ++k) EXPECT_EQ(cases[k].first, cases[k].second) << "case " << k;
    lcl_pres(kC0, 50.0F, 1000.0F, &r);
    EXPECT_EQ(r, 100.0F);
    lcl_pres(kC0, kC0, 1200.0F, &r);
    EXPECT_EQ(r, 0.0F);
}

}  // namespace
}  // namespace orv
