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
float kelvin_of_f(double f) { return static_cast<float>((f - 32.0) / 1.8 + 273.15); }
// Saturation vapour pressure from an independent formula (Magnus form).
double magnus(double celsius) { return 6.112 * std::exp(17.67 * celsius / (celsius + 243.5)); }
TEST(VapourPressure, MatchesKnownValuesAndItsInverse) {
    for (float c = -30.0F; c <= 40.0F; c += 5.0F) EXPECT_NEAR(vapor_pr(kC0 + c) / magnus(c), 1.0, 0.01) << c;
    EXPECT_NEAR(vapor_pr(kC0 + 100.0F), 1013.25, 1.5);  // boiling point
    for (float t = 233.15F; t <= 318.15F; t += 5.0F) EXPECT_NEAR(temp_vapor_pr(vapor_pr(t)), t, 0.1) << t;
}
// Known values of the formulas: published tables, independent fits and
// round trips through each formula's inverse.
TEST(Humidity, KnownValuesOfTheFormulas) {
    const float t = kC0 + 25.0F, w = mix_ratio(kC0 + 5.0F, 850.0F);
    float residual = -1.0F;
    const float p_lcl = lcl_pres(kC0 + 20.0F, kC0 + 10.0F, 1000.0F, &residual);
    const float cool = kelvin_of_f(60.0), cool_td = dew_temp(cool, 50.0F);
    const struct { const char* what; double got, want, tolerance; } cases[] = {
        {"rh of the dewpoint of 60%", rel_hum(t, dew_temp(t, 60.0F)), 60.0, 0.5},
        {"dewpoint clamped at 100%", dew_temp(t, 150.0F), t, 0.1},
        {"dewpoint clamped at 2%", dew_temp(t, 1.0F), dew_temp(t, 2.0F), 1e-4},
        {"rh of 30 C over 20 C", rel_hum(kC0 + 30.0F, kC0 + 20.0F), 55.0, 0.5},
        {"mixing ratio at 1000 mb", mix_ratio(kC0 + 20.0F, 1000.0F), 14.9, 0.1},  // 622 e / (p - e)
        {"mixing ratio of a pressure", mix_ratio(10.0F, 1010.0F), 6.22, 1e-5},
        {"specific humidity", spec_hum(10.0F, 1000.0F), 6.22, 1e-5},
        {"saturation line", temp_on_mixrat(w, 850.0F), kC0 + 5.0F, 0.1},
        {"potential temperature", pot_temp(kC0 + 10.0F, 850.0F), 296.6, 0.1},
        {"potential temperature at 1000", pot_temp(kC0, 1000.0F), kC0, 1e-4},
        {"dry adiabat", temp_on_dryad(pot_temp(250.0F, 500.0F), 500.0F), 250.0, 0.01},
        // Too cold to balance: every step moves down, 60 + 30 + ... + 120/4096.
        {"saturated adiabat gives up", temp_on_satad(1.0F, 1000.0F), 253.16 - 120.0 * (1.0 - 1.0 / 4096.0), 1e-3},
        {"virtual temperature", virt_temp(300.0F, 10.0F, 1000.0F), 300.0 * 1.00609, 1e-3},
        {"virtual temperature of moist air", virt_temp(kC0 + 30.0F, kC0 + 20.0F, 1000.0F), kC0 + 30.0 + 2.75, 0.05},
        {"virtual potential temperature", virt_pot_temp(300.0F, 10.0F, 850.0F), pot_temp(300.0F * 1.00609F, 850.0F), 0.01},
        {"virtual potential of dry air", virt_pot_temp(kC0 + 10.0F, 0.0F, 850.0F), pot_temp(kC0 + 10.0F, 850.0F), 1e-4},
        {"condensation pressure", p_lcl, 862.0, 6.0},
        {"its residual", std::fabs(residual), 0.0, 0.05},
        {"condensation temperature", lcl_temp(kC0 + 20.0F, 1000.0F, p_lcl), 281.0, 0.6},
        {"saturated air condenses where it is", lcl_pres(kC0 + 15.0F, kC0 + 15.0F, 900.0F), 900.0, 1.0},
        {"equivalent potential temperature", eq_pot_temp(kC0 + 30.0F, kC0 + 20.0F, 1000.0F), 350.0, 6.0},
        {"equivalent potential of dry air", eq_pot_temp(300.0F, 0.0F, 850.0F), pot_temp(300.0F, 850.0F), 1e-4},
        {"wet bulb", wet_bulb(kC0 + 30.0F, kC0 + 20.0F, 1000.0F), kC0 + 23.2, 0.7},
        {"wet bulb of saturated air", wet_bulb(kC0 + 15.0F, kC0 + 15.0F, 1000.0F), kC0 + 15.0, 0.2},
        {"pressure altitude 850", pres_alt(850.0F), 1457.0, 3.0},
        {"pressure altitude 200", pres_alt(200.0F), 11784.0, 5.0},
        {"both branches meet", pres_alt(226.32F), pres_alt(226.31F), 1.0},
        {"at the tropopause", pres_alt(226.32F), 11000.0, 5.0},
        // 90 F with 60 percent humidity reads about 100 F on the published tables.
        {"heat index", fahrenheit(heat_index(kelvin_of_f(90.0), dew_temp(kelvin_of_f(90.0), 60.0F))), 100.0, 2.0},
        {"heat index of cool air", fahrenheit(heat_index(cool, cool_td)), 1.2 * (60.0 - 68.0) + 60.8 + 0.0936 * rel_hum(cool, cool_td), 0.05},
        {"humiture without addition", humiture(kC0 + 10.0F, kC0), 50.0, 0.01},  // e of 6 mb
        {"humiture", humiture(kC0 + 30.0F, kC0 + 25.0F), 86.0 + vapor_pr(kC0 + 25.0F) - 21.0, 0.01},
        {"wind chill above 26 m/s", wind_chill_temp(250.0F, 40.0F), wind_chill_temp(250.0F, 26.0F), 1e-4},
        {"heat loss at -20 C and 5 m/s", wind_chill(kC0 - 20.0F, 5.0F), 1474.0 * 1.1627, 5.0},  // the classic chart
        {"no heat loss at 33 C", wind_chill(306.15F, 10.0F), 0.0, 0.01},
        {"wind chill of 0 F and 15 mph", fahrenheit(wind_chill_temp2(kelvin_of_f(0.0), 15.0F / 2.23694F)), -19.4, 0.2},
    };
    for (const auto& c : cases) EXPECT_NEAR(c.got, c.want, c.tolerance) << c.what;
    EXPECT_GT(rel_hum(kC0 + 10.0F, kC0 + 12.0F), 100.0F);  // supersaturated, no clamp
    EXPECT_LT(wind_chill_temp(250.0F, 10.0F), wind_chill_temp(250.0F, 5.0F));
    for (float tk : {253.15F, 273.15F, 293.15F, 303.15F})
        for (float p : {1000.0F, 850.0F, 500.0F}) EXPECT_NEAR(temp_on_satad(thetae_on_satad(tk, p), p), tk, 0.2) << tk << " " << p;
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
