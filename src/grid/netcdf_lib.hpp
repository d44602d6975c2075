// The netCDF library, loaded when a run first reads or writes a netCDF grid
// file: a run that writes none does not pay for loading the library and the
// many libraries it needs in turn.
#pragma once

#include <netcdf.h>

namespace orv {

// The entry points of the library's version-2 interface that grid files use.
struct NetcdfLib {
    int* opts;  // the library's error switch: 0 keeps it from printing and exiting
    decltype(&::nccreate) create;
    decltype(&::ncopen) open;
    decltype(&::ncclose) close;
    decltype(&::ncredef) redef;
    decltype(&::ncendef) endef;
    decltype(&::ncdimdef) dimdef;
    decltype(&::ncdimid) dimid;
    decltype(&::ncdiminq) diminq;
    decltype(&::ncvardef) vardef;
    decltype(&::ncvarid) varid;
    decltype(&::ncattput) attput;
    decltype(&::ncvarput) varput;
    decltype(&::ncvarput1) varput1;
    decltype(&::ncvarget) varget;
    decltype(&::ncvarget1) varget1;
};

// The library, loaded on the first call with its errors made quiet; null when
// it cannot be loaded. The environment variable "orvnetcdf" names another
// library file to load instead of the one the program was built with.
const NetcdfLib* netcdf_lib();
// Why the library could not be loaded; empty when it was loaded or not yet tried.
const char* netcdf_lib_error();

}  // namespace orv
