// mosplot: plots MOS station forecast bulletins as weather maps.
#include "core/mess.hpp"

int main() {
    orv::MESS_print_prog("RAD AZOD ORURIVERAR");
    return 0;
}
