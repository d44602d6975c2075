// Grid files: writing analysed grids as text grid files (values as text or
// as big-endian binary floats) or netCDF files, and reading them back, so
// that a grid file already made for the region can stand in for a new
// analysis.
#pragma once

#include "geo/maptran.hpp"
#include "grid/grd_tool.hpp"

namespace orv {

// Kinds of grid file, as recognised from a file's first bytes.
enum GridFileKind : int {
    kGridNone = 0,
    kGridPlainText = 1,   // first character a digit or a blank
    kGridText = 2,        // "ORVGRID"
    kGridBinary = 3,      // "ORVGRID", values as big-endian floats
    kGridText4 = 4,       // "ORVGRID4" (not read)
    kGridNetcdf = 11,     // "CDF"
    kGridGrib = 21,
    kGridOtherText = 22,  // "GRID"
};

inline constexpr int kGridMaxOpen = 15;

// Saves one grid to the file `name` (joined to the "grid_path" resource),
// creating or appending as FILE_overwrite decides. Kind 0 does nothing.
// 1 when written, else 0.
int GRD_save_file(const char* name, const GridField* grid, const GridInfo* info, int kind);
// Opens a file for several grids by the same rules: the entry, or -1.
int GRD_open_out_file(const char* name, int kind);

// mode 0 read (the kind is detected), 1 create, 2 append (text kinds only).
// An empty path or "-" is standard input or output. The entry 0..14, or -1.
int GRD_open(const char* path, int mode, int* kind);
// The kind of an existing file, -1 when it cannot be read or is not known.
int GRD_chktype(const char* path);
// Header of a file opened for writing: 0, or -1.
int GRD_putinfo(int entry, const GridInfo* info);
// Appends one grid record: 0, or -1.
int GRD_write(int entry, const GridField* grid);
// Reads the next grid record of a file opened for reading into grid (whose
// values are replaced by a fresh array): 1, 0 at the end, -1 for a bad record.
int GRD_read(int entry, GridField* grid);
int GRD_close(int entry);
// printf format of text values, one floating conversion ("%14.8e" when
// empty). A format that is not one such conversion is refused: 0, else 1.
int GRD_set_format(const char* format);

// Fills slot `slot` from the first grid of the file `name` (joined to
// "grid_path") when the file exists, may be used and was made for `domain`:
// 1 when the slot was filled, 0 when the grid is to be analysed.
int GRD_read_check(const char* name, int slot, const Domain* domain);

// Null when netCDF grid files can be written and read, else why not: the
// netCDF library is loaded by the first call (or the first netCDF file).
const char* GRD_netcdf_unavailable();

// Closes every open file and restores the start state.
void GRD_file_reset_for_tests();

}  // namespace orv
