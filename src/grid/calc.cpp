#include "grid/calc.hpp"

#include <algorithm>
#include <cmath>

#include "core/orv.hpp"

namespace orv {
namespace {

constexpr float kMiss = kMissingF;
constexpr double kKappa = 0.286;
constexpr double kEpsilonGramsPerKg = 622.0;
constexpr double kLatentOverCp = 2.6518986;  // K per g/kg of condensed vapour
constexpr double kZeroCelsius = 273.15;
constexpr double kWindChillBody = 306.15;

// Values of 100 or below in a temperature argument are vapour pressures.
bool is_temperature(double x) { return x > 100.0; }

float out(double v) { return static_cast<float>(v); }

double fahrenheit(double kelvin) { return (kelvin - kZeroCelsius) * 9.0 / 5.0 + 32.0; }
double kelvin(double fahrenheit) { return (fahrenheit - 32.0) * 5.0 / 9.0 + kZeroCelsius; }

double vapour_of(double td_or_e) {
    return is_temperature(td_or_e) ? vapor_pr(out(td_or_e)) : td_or_e;
}

double temperature_of_vapour(double e) {
    const double a = std::pow(10.0, 0.0498646455 * std::log10(e) + 2.4082965);
    const double b = std::pow(e, 0.0915);
    return 38.9114 * (b - 1.2035) * (b - 1.2035) + (a - 7.08475);
}

double saturated_balance(double theta_e, double t, double p) {
    const double w = mix_ratio(out(t), out(p));
    return theta_e * std::exp(-kLatentOverCp * w / t) - pot_temp(out(t), out(p));
}

double heat_index_regression(double f, double r) {
    const double f2 = f * f, f3 = f2 * f, r2 = r * r, r3 = r2 * r;
    return 16.0 + 0.185212 * f + 5.37941 * r - 0.100254 * f * r + 9.41695e-3 * f2 +
           7.28898e-3 * r2 + 3.45372e-4 * f2 * r - 8.14971e-4 * f * r2 + 1.02102e-5 * f2 * r2 -
           3.8646e-5 * f3 + 2.91583e-5 * r3 + 1.42721e-6 * f3 * r + 1.97483e-7 * f * r3 -
           2.18429e-8 * f3 * r2 + 8.43296e-10 * f2 * r3 - 4.81975e-11 * f3 * r3;
}

// The wind speed used by the wind-chill formulas, or a negative value when
// the temperature is returned unchanged.
double chill_wind(double t, double v) {
    if (v < 2.0 || t > kWindChillBody) return -1.0;
    return std::min(v, 26.0);
}

}  // namespace

float vapor_pr(float t) {
    if (t < 0.0F) return kMiss;
    if (t < 100.0F) return 0.0F;
    const double x = t;
    const double log_e = 23.832241 - 5.02808 * std::log10(x) -
                         1.3816e-7 * std::pow(10.0, 11.344 - 0.0303998 * x) +
                         8.1328e-3 * std::pow(10.0, 3.49149 - 1302.8844 / x) - 2949.076 / x;
    return out(std::pow(10.0, log_e));
}

float temp_vapor_pr(float e) {
    if (e <= 0.0F) return 0.0F;
    return out(temperature_of_vapour(e));
}

float dew_temp(float t, float rh) {
    if (is_missing(rh) || t <= 0.0F) return kMiss;
    const double clamped = std::clamp(static_cast<double>(rh), 2.0, 100.0);
    return temp_vapor_pr(out(vapor_pr(t) * clamped / 100.0));
}

float rel_hum(float t, float td) {
    if (t <= 0.0F || td <= 0.0F) return kMiss;
    if (!is_temperature(t) && !is_temperature(td)) return out(100.0 * td / t);
    const double saturation = vapor_pr(t);
    // A vapour pressure paired with a temperature has no saturation to compare with.
    if (saturation <= 0.0) return kMiss;
    return out(100.0 * vapor_pr(td) / saturation);
}

float mix_ratio(float td_or_e, float p) {
    if (is_missing(td_or_e) || is_missing(p)) return kMiss;
    if (td_or_e <= 0.0F || p <= 0.0F) return 0.0F;
    const double e = vapour_of(td_or_e);
    // Vapour at or above the total pressure has no mixing ratio.
    if (p - e <= 0.0) return kMiss;
    return out(kEpsilonGramsPerKg * e / (p - e));
}

float spec_hum(float td_or_e, float p) {
    if (is_missing(td_or_e) || is_missing(p)) return kMiss;
    if (td_or_e <= 0.0F || p <= 0.0F) return 0.0F;
    return out(kEpsilonGramsPerKg * vapour_of(td_or_e) / p);
}

float temp_on_mixrat(float w, float p) {
    if (w <= 0.0F || p <= 0.0F) return 0.0F;
    const double e = static_cast<double>(w) * p / (w + kEpsilonGramsPerKg);
    return out(temperature_of_vapour(e));
}

float pot_temp(float t, float p) {
    if (t <= 0.0F || p <= 0.0F) return kMiss;
    return out(t * std::pow(1000.0 / p, kKappa));
}

float temp_on_dryad(float theta, float p) {
    if (theta <= 0.0F || p <= 0.0F) return 0.0F;
    return out(theta * std::pow(p / 1000.0, kKappa));
}

float thetae_on_satad(float t, float p) {
    if (t <= 0.0F || p <= 0.0F) return 0.0F;
    const double w = mix_ratio(t, p);
    return out(t * std::pow(1000.0 / p, kKappa) / std::exp(-kLatentOverCp * w / t));
}

float temp_on_satad(float theta_e, float p) {
    if (theta_e <= 0.0F || p <= 0.0F || p > 2000.0F) return kMiss;
    double t = 253.16;
    double step = 120.0;
    for (int i = 0; i < 12; ++i) {
        const double d = saturated_balance(theta_e, t, p);
        if (d * d < 2e-5) break;
        step /= 2.0;
        t += d > 0.0 ? step : -step;
    }
    return out(t);
}

float virt_temp(float t, float td_or_w, float p) {
    if (t <= 0.0F || td_or_w < 0.0F || p < 0.0F) return kMiss;
    if (td_or_w == 0.0F) return t;
    const double w = is_temperature(td_or_w) ? mix_ratio(td_or_w, p) : td_or_w;
    if (is_missing(w)) return kMiss;
    return out(t * (1.0 + 0.609 * w / 1000.0));
}

float virt_pot_temp(float t, float td, float p) {
    if (t <= 0.0F || td < 0.0F || p <= 0.0F) return kMiss;
    if (td == 0.0F) return pot_temp(t, p);
    const float tv = virt_temp(t, td, p);
    if (is_missing(tv)) return kMiss;
    return out(tv * std::pow(1000.0 / p, kKappa));
}

float lcl_pres(float t, float td, float p, float* residual) {
    float ignored = 0.0F;
    float& r_out = residual != nullptr ? *residual : ignored;
    if (t <= 100.0F || td <= 100.0F) {
        r_out = 100.0F;
        return kMiss;
    }
    if (p <= 0.0F || p > 1100.0F) {
        r_out = 0.0F;
        return kMiss;
    }
    const float w = mix_ratio(td, p);
    const float theta = pot_temp(t, p);
    double pressure = p;
    const auto gap = [&] {
        return static_cast<double>(temp_on_mixrat(w, out(pressure))) -
               temp_on_dryad(theta, out(pressure));
    };
    double r = gap();
    for (int i = 0; i < 8 && r * r > 0.0001; ++i) {
        pressure *= std::pow(2.0, 0.02 * r);
        r = gap();
    }
    r_out = out(r);
    return out(pressure);
}

float lcl_temp(float t, float p, float p_lcl) {
    const float theta = pot_temp(t, p);
    // A missing potential temperature or condensation level has no temperature.
    if (is_missing(theta) || p_lcl <= 0.0F) return kMiss;
    return temp_on_dryad(theta, p_lcl);
}

float eq_pot_temp(float t, float td, float p) {
    if (t <= 0.0F || td < 0.0F || p < 0.0F) return kMiss;
    if (td == 0.0F) return pot_temp(t, p);
    const float p_lcl = lcl_pres(t, td, p);
    if (is_missing(p_lcl)) return kMiss;
    return thetae_on_satad(lcl_temp(t, p, p_lcl), p_lcl);
}

float wet_bulb(float t, float td, float p) {
    if (t <= 0.0F || td < 0.0F || p < 0.0F) return kMiss;
    if (td == 0.0F) return 0.0F;
    const float p_lcl = lcl_pres(t, td, p);
    if (is_missing(p_lcl)) return kMiss;
    return temp_on_satad(thetae_on_satad(lcl_temp(t, p, p_lcl), p_lcl), p);
}

float pres_alt(float p) {
    if (p <= 0.0F) return kMiss;
    if (p < 226.32F) return out(11000.0 + 6341.62 * std::log(226.32 / p));
    const float scaled = out(288.15 * std::pow(p / 1013.25, 0.190263));
    return out((288.15 - scaled) / 0.0065);
}

float heat_index(float t, float td) {
    if (t < 0.0F || td < 0.0F || td > t) return kMiss;
    const double saturation = vapor_pr(t);
    if (saturation <= 0.0) return kMiss;
    const double f = fahrenheit(t);
    const double rh = 100.0 * vapor_pr(td) / saturation;
    double h = 1.2 * (f - 68.0) + 60.8 + 0.0936 * rh;
    if (h >= 77.0) h = heat_index_regression(f, rh);
    return out(kelvin(h));
}

float humiture(float t, float td) {
    if (t < 0.0F || td < 0.0F) return kMiss;
    const double e = vapor_pr(td);
    const double f = fahrenheit(t);
    return out(e < 21.0 ? f : (e - 21.0) + f);
}

float wind_chill(float t, float v) {
    if (t < 0.0F || v < 0.0F) return kMiss;
    const double wind = chill_wind(t, v);
    if (wind < 0.0) return t;
    return out((10.0 * std::sqrt(wind) + 10.45 - wind) * 1.1627 * (kWindChillBody - t));
}

float wind_chill_temp(float t, float v) {
    if (t < 0.0F || v < 0.0F) return kMiss;
    const double wind = chill_wind(t, v);
    if (wind < 0.0) return t;
    return out(kWindChillBody -
               (0.474266 + 0.453843 * std::sqrt(wind) - 0.0453843 * wind) * (kWindChillBody - t));
}

float wind_chill_temp2(float t, float v) {
    if (t < 0.0F || v < 0.0F) return kMiss;
    const double w =
        (0.4863 * t - 146.774) * std::pow(static_cast<double>(v), 0.16) + (0.6215 * t + 116.514);
    return out(std::min(static_cast<double>(t), w));
}

}  // namespace orv
