"""Reads a netCDF grid file as a CF-aware user would, and prints what it found.

Usage: cf_client.py FILE DX DY [FILE DX DY ...]
DX, DY: the grid spacing in the units of the file's grid mapping.
Prints for each file "file FILE", then "name value" lines: the coordinates
xarray attaches to the values,
their units, the position of the centre value, and the largest error of the
grid spacing when the coordinates are projected with the file's grid mapping.
"""
import sys

import numpy as np
import pyproj
import xarray as xr


def describe(path, dx, dy):
    print("file", path)
    ds = xr.open_dataset(path)
    values = ds["values"]
    print("coordinates", " ".join(sorted(c for c in values.coords)))
    print("units", values.attrs.get("units", ""))
    print("standard_name", values.attrs.get("standard_name", ""))
    nx, ny = ds.sizes["x"], ds.sizes["y"]
    # The values keep the grid's own order: rows from the north, x fastest.
    lat = ds["lat"].values.reshape(ny, nx)
    lon = ds["lon"].values.reshape(ny, nx)
    print("centre %.3f %.3f" % (lat[ny // 2, nx // 2], lon[ny // 2, nx // 2]))
    print("missing", int(np.isnan(values.isel(grid=0).values).sum()))
    crs = pyproj.CRS.from_cf(ds[values.attrs["grid_mapping"]].attrs)
    x, y = pyproj.Transformer.from_crs(crs.geodetic_crs, crs, always_xy=True).transform(lon, lat)
    errors = [np.abs(np.diff(x, axis=1) - dx), np.abs(np.diff(y, axis=1)),
              np.abs(np.diff(y, axis=0) + dy), np.abs(np.diff(x, axis=0))]
    print("spacing_error %.3f" % max(float(e.max()) for e in errors))


if __name__ == "__main__":
    args = sys.argv[1:]
    for k in range(0, len(args) - 2, 3):
        describe(args[k], float(args[k + 1]), float(args[k + 2]))
