// Resources: every setting is a named text value, filled at start-up from
// defaults files, the environment and the command line, and converted on
// demand into numbers, paths, lists and so on.
#pragma once

#include <cstddef>
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
// position 1..10 (10 takes all remaining positional arguments). An empty or
// absent name ends a table.
struct ResourceDesc {
    const char* name;
    const char* env;
    const char* key;
    int position;
    unsigned type;
    void* dest;
    int* count;
};

// The program's table holds at most this many descriptors, terminator included.
inline constexpr int kResTableSize = 75;
// Option names are cut to 49 characters.
inline constexpr std::size_t kResOptionMax = 49;
// Buffer size a type-7 (string copy) destination must have.
inline constexpr std::size_t kResCopySize = 160;

// This program's resources: the keyed identifiers in help order and the
// positional one, each list ending with 0.
inline constexpr int kMosplotKeyedIds[] = {
    57, 3,  73, 48, 41, 39, 55, 94, 63, 106, 112, 113, 114, 6,  72, 76, 64, 80, 47, 74, 40,
    58, 78, 84, 110, 96, 98, 101, 105, 54, 56, 79, 89,  88,  85,  86, 44, 69, 37, 35, 51, 27,
    28, 13, 23, 17, 22, 10, 11, 15, 20, 8,  31, 9,  32,  24,  46,  102, 59, 2, 53, 0};
inline constexpr int kMosplotPositionalIds[] = {50, 0};

// Start-up: builds the table from the identifiers, resets the flag table,
// decodes defaults files, environment and command line. Returns 1.
int RES_init(int argc, char** argv, const int* keyed_ids, const int* positional_ids);
// The decoding of all sources against a table ending with an unnamed entry.
int RES_decode(const char* argv0, const char* class_name, int argc, char** argv,
               ResourceDesc* table);
// Fills a descriptor from the catalogue; an unknown identifier prints "%d\n"
// and gives a descriptor with an empty name.
int RES_enter(ResourceDesc* desc, int id);
// Fills a descriptor from explicit values: with an abbreviation, or with a
// position 1..10.
int RES_fill_obj(ResourceDesc* desc, const char* name, const char* env, const char* key,
                 unsigned type, void* dest, int* count);
int RES_fill_obj(ResourceDesc* desc, const char* name, const char* env, int position,
                 unsigned type, void* dest, int* count);

// Storing. 0, or -1 when the entry cannot be allocated.
int RES_new(int source, const char* name, const char* value, unsigned type);
int RES_append(int source, const char* name, const char* value, unsigned type);
void RES_put(const char* name, const char* value);
// Stores a value typed at a prompt: a resource of the program keeps its type
// and takes effect at once as from the command line ("message none" silences
// what follows); another name is stored as RES_put stores it.
int RES_set_now(const char* name, const char* value);

// Reading; names are compared exactly. RES_get gives "" for a resource stored
// without a value and null for an unknown one.
const char* RES_get(const char* name);
// Converts the value with the given type into destination (see ResType):
// 1 int*, 2 int*, 3 short*, 4 int64_t*, 5 float*, 6/11/14/15/21 const char**,
// 7 char[kResCopySize], 8 char** (a malloc'd copy ending in "/", free it),
// 13/20 the domain decoder's record, 17 const char** (output name after the
// first comma), 19 int64_t*; 9, 10, 12, 16, 18, 22 and 23 need none.
int RES_getval(const char* name, void* destination, unsigned type);
// Items of the value (at newlines for lists, else at commas); release them
// with free_parsed_array. Returns the count.
int RES_getvals(const char* name, int* count, char*** items);
void RES_list();
int RES_set_device(const char* text);

// Region and domain values (types 13 and 20) are decoded by the domain
// module, which registers its decoder here.
using DomainDecoder = int (*)(const char* text, void* domain);
void RES_set_domain_decoder(DomainDecoder decoder);

int RES_help_print(const char* progname, const int* keyed_ids, const int* positional_ids);
int RES_help_item(int id);

void RES_setCL(int argc, char** argv);
const char* RES_get_prog();
// The last path component of argument 0 in buffer (`size` bytes), or in a
// new malloc'd text when buffer is null.
char* RES_get_progname(char* buffer, std::size_t size = 30);

// The first command-line option that matched no resource of the program
// ("-zz", "--bogus"; it is still stored under its own name), or null.
const char* RES_unknown_option();

const char* ORV_version();

void RES_reset_for_tests();

}  // namespace orv
