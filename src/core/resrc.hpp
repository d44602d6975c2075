// Resources: every setting is a named text value, filled at start-up from
// defaults files, the environment and the command line.
#pragma once

#include <cstdint>

namespace orv {

// Type codes of resources.
enum ResType : unsigned {
    kResSwitch = 1, kResInt = 2, kResShort = 3, kResLong = 4, kResReal = 5, kResString = 6,
    kResStrCopy = 7, kResPath = 8, kResMessage = 9, kResDraw = 10, kResCurrent = 11,
    kResHour = 12, kResRegion = 13, kResNameConv = 14, kResIngestor = 15, kResFileParam = 16,
    kResDevice = 17, kResPlotType = 18, kResIntLong = 19, kResDomain = 20, kResList = 21,
    kResBatch = 22, kResHelp = 23,
};

// One descriptor of the program's resource table. A keyed descriptor has an
// abbreviation in `key` and position 0; a positional one has no key and a
// position 1..10 (10 takes all remaining positional arguments).
struct ResourceDesc {
    const char* name;
    const char* env;
    const char* key;
    int position;
    unsigned type;
    void* dest;
    int* count;
};

int RES_init(int argc, char** argv, const int* keyed_ids, const int* positional_ids);
int RES_new(int source, const char* name, const char* value, unsigned type);
int RES_append(int source, const char* name, const char* value, unsigned type);
void RES_put(const char* name, const char* value);
const char* RES_get(const char* name);
int RES_getval(const char* name, void* destination, unsigned type);
int RES_getvals(const char* name, int* count, char*** items);
void RES_list();
int RES_set_device(const char* text);
int RES_help_print(const char* progname, const int* keyed_ids, const int* positional_ids);
int RES_help_item(int id);
void RES_setCL(int argc, char** argv);
const char* RES_get_prog();
char* RES_get_progname(char* buffer);

const char* ORV_version();

void RES_reset_for_tests();

}  // namespace orv
