// Thermodynamic formulas shared by the MOS derived values and the grid math.
// Units: temperatures in kelvin, pressures and vapour pressures in mb,
// mixing ratio and specific humidity in g/kg, relative humidity in percent,
// wind speed in m/s. Missing values are -9999.
//
// Where an argument may be "Td (or e)", a value above 100 is a temperature
// (dewpoint) in kelvin and one of 100 or below a vapour pressure in mb.
#pragma once

namespace orv {

float vapor_pr(float t);       // saturation vapour pressure over water
float temp_vapor_pr(float e);  // temperature of saturation vapour pressure e
float dew_temp(float t, float rh);
float rel_hum(float t, float td);  // both vapour pressures when both are <= 100
float mix_ratio(float td_or_e, float p);
float spec_hum(float td_or_e, float p);
float temp_on_mixrat(float w, float p);  // on the saturation mixing-ratio line w
float pot_temp(float t, float p);
float temp_on_dryad(float theta, float p);
float thetae_on_satad(float t, float p);
float temp_on_satad(float theta_e, float p);
float virt_temp(float t, float td_or_w, float p);  // above 100 a dewpoint, else a mixing ratio
float virt_pot_temp(float t, float td, float p);
// Pressure of the lifting condensation level; the last residual of the
// iteration goes to *residual when given.
float lcl_pres(float t, float td, float p, float* residual = nullptr);
float lcl_temp(float t, float p, float p_lcl);
float eq_pot_temp(float t, float td, float p);
float wet_bulb(float t, float td, float p);
float pres_alt(float p);                   // metres
float heat_index(float t, float td);       // kelvin
float humiture(float t, float td);         // Fahrenheit scale
float wind_chill(float t, float v);        // heat loss, W/m2
float wind_chill_temp(float t, float v);   // kelvin
float wind_chill_temp2(float t, float v);  // kelvin

}  // namespace orv
