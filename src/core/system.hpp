// Time and process functions.
#pragma once

namespace orv {

// Flushes every output stream and ends the process with the status.
[[noreturn]] void ORV_exit(int status);

// Exit statuses of a run that could not do what was asked (the README lists
// them all; 0 is success, help and "exit", 1 a failed detach, 7 a silent
// loop window).
inline constexpr int kExitUsage = 2;           // an unknown option, model, variable or plot type
inline constexpr int kExitNeedsAnswer = 3;     // a batch run would have to prompt
inline constexpr int kExitGraphics = 4;        // no usable output device
inline constexpr int kExitNoFile = 10;         // the bulletin is missing or unreadable
inline constexpr int kExitNoReports = 11;      // the bulletin holds no report the reader knows
inline constexpr int kExitNoStations = 12;     // no station of the table lies in the domain
inline constexpr int kExitNothingDrawn = 13;   // a station or vector plot found nothing to draw
inline constexpr int kExitNoNetcdf = 14;       // netCDF grid files asked for, the library cannot be loaded
inline constexpr int kExitInvalidDomain = 43;  // a domain that cannot be analysed or drawn

// A plot that finds nothing to draw only learns so after its map is open:
// it notes the status here, the run still closes its picture, and a batch
// run ends with the first status noted (0 when none was).
void ORV_note_failure(int status);
int ORV_run_status();

// Records the current time of day and zeroes the slept total.
void ORV_init_time();
// Seconds since ORV_init_time (the slept total when the clock has no
// microseconds).
float ORV_elapse_time();
// Sleeps and adds the seconds to the slept total: 0, or -1 for seconds <= 0.
int ORV_sleep(float seconds);
int ORV_get_pid();
// Detaches into the background: the calling process ends with status 0 and
// 1 is returned in the child, whose standard streams are on /dev/null and
// which leads a session of its own; -1 when the fork fails.
int ORV_back_proc();
// Virtual memory size of the own process in bytes, 0 when unknown.
long ORV_get_virt_mem();

// Background processes: a table of up to kProcSlots children.
inline constexpr int kProcSlots = 10;
inline constexpr int kRunWait = 0;        // ORV_run: wait and return the exit status
inline constexpr int kRunBackground = 1;  // ORV_run: add to the table and return the pid

// Runs the program (searched in PATH unless it holds a "/") with the argument
// list (null-terminated, argv[0] included) and, when given, the environment.
// kRunWait: the child's exit status (-1 when it could not run normally);
// kRunBackground: the child's pid, -1 on failure or a full table.
int ORV_run(const char* program, char* const argv[], char* const environment[], int mode);
// Runs function(arg) in a background child that exits with its result: the
// pid, or -1 on failure or a full table.
int ORV_run_func(int (*function)(void*), void* arg);
// Enters a pid into the table: its slot, or -1 when the table is full.
int ORV_add_proc(int pid);
// The pid in slot i, 0 for an empty slot or an index outside the table.
int ORV_proc(int i);
// Reaps finished children of the table and returns how many still run.
int ORV_chk_proc();

void SYSTEM_reset_for_tests();

}  // namespace orv
