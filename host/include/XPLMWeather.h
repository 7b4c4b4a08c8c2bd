#ifndef XPLMWeather_h
#define XPLMWeather_h
/* The simulator's weather: METARs and the conditions at a place. */

#include "XPLMDefs.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(XPLM400)
typedef struct {
    float alt_msl;     /* m above mean sea level */
    float speed;       /* m/s */
    float direction;   /* degrees true, where the wind comes from */
    float gust_speed;  /* m/s */
    float shear;       /* degrees each side of the direction */
    float turbulence;  /* clear-air turbulence ratio */
} XPLMWeatherInfoWinds_t;

typedef struct {
    float cloud_type;  /* 0 cirrus, 1 stratus, 2 cumulus, 3 cumulonimbus */
    float coverage;    /* ratio */
    float alt_top;     /* m above mean sea level */
    float alt_base;    /* m above mean sea level */
} XPLMWeatherInfoClouds_t;

typedef struct {
    int structSize;
    float temperature_alt;  /* degrees C at the altitude asked for */
    float dewpoint_alt;     /* degrees C */
    float pressure_alt;     /* Pa */
    float precip_rate_alt;
    float wind_dir_alt;     /* degrees true */
    float wind_spd_alt;     /* m/s */
    float turbulence_alt;   /* ratio */
    float wave_height;      /* m */
    float wave_length;      /* m */
    int wave_dir;           /* degrees true, where the waves come from */
    float wave_speed;       /* m/s */
    float visibility;       /* m, at the surface */
    float precip_rate;      /* ratio, at the surface */
    float thermal_climb;    /* m/s */
    float pressure_sl;      /* Pa at sea level */
    XPLMWeatherInfoWinds_t wind_layers[13];  /* not all layers defined */
    XPLMWeatherInfoClouds_t cloud_layers[3];  /* not all layers defined */
} XPLMWeatherInfo_t;

XPLM_API void XPLMGetMETARForAirport(const char * airport_id, XPLMFixedString150_t * outMETAR);
XPLM_API int XPLMGetWeatherAtLocation(double latitude, double longitude, double altitude_m,
                                      XPLMWeatherInfo_t * out_info);
#endif /* XPLM400 */

#ifdef __cplusplus
}
#endif

#endif
