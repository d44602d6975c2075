#include "grid/netcdf_lib.hpp"

#include <dlfcn.h>

#include <cstdlib>
#include <string>

#ifndef ORV_NETCDF_LIBRARY
#define ORV_NETCDF_LIBRARY "libnetcdf.so"
#endif

namespace orv {
namespace {

struct LibState {
    bool tried = false;
    bool loaded = false;
    NetcdfLib lib{};
    std::string error;
};
LibState g;

template <typename Fn>
bool bind(void* handle, const char* name, Fn* out) {
    *out = reinterpret_cast<Fn>(dlsym(handle, name));
    return *out != nullptr;
}

bool bind_all(void* handle, NetcdfLib* lib) {
    lib->opts = static_cast<int*>(dlsym(handle, "ncopts"));
    return lib->opts != nullptr && bind(handle, "nccreate", &lib->create) && bind(handle, "ncopen", &lib->open) &&
           bind(handle, "ncclose", &lib->close) && bind(handle, "ncredef", &lib->redef) &&
           bind(handle, "ncendef", &lib->endef) && bind(handle, "ncdimdef", &lib->dimdef) &&
           bind(handle, "ncdimid", &lib->dimid) && bind(handle, "ncdiminq", &lib->diminq) &&
           bind(handle, "ncvardef", &lib->vardef) && bind(handle, "ncvarid", &lib->varid) &&
           bind(handle, "ncattput", &lib->attput) && bind(handle, "ncvarput", &lib->varput) &&
           bind(handle, "ncvarput1", &lib->varput1) && bind(handle, "ncvarget", &lib->varget) &&
           bind(handle, "ncvarget1", &lib->varget1);
}

void load() {
    g.tried = true;
    const char* chosen = std::getenv("orvnetcdf");
    const char* file = chosen != nullptr && *chosen != '\0' ? chosen : ORV_NETCDF_LIBRARY;
    void* handle = dlopen(file, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        g.error = why != nullptr ? why : file;
        return;
    }
    if (!bind_all(handle, &g.lib)) {
        g.error = std::string(file) + " lacks the netCDF version-2 interface";
        dlclose(handle);
        return;
    }
    *g.lib.opts = 0;
    g.loaded = true;
}

}  // namespace

const NetcdfLib* netcdf_lib() {
    if (!g.tried) load();
    if (!g.loaded) return nullptr;
    *g.lib.opts = 0;
    return &g.lib;
}

const char* netcdf_lib_error() { return g.error.c_str(); }

}  // namespace orv
