#include "core/mqueue.hpp"

namespace orv {

int MQ_offset(int) { return 0; }
int MQ_settype(int) { return 0; }
int MQ_timeout(int) { return 0; }
void MQ_timeout_func(void (*)(int)) {}
int MQ_open(int) { return -1; }
int MQ_connect(int) { return -1; }
int MQ_put(int, int, const char*, ...) { return -1; }
int MQ_get(int, int, char*) { return -1; }
int MQ_close(int) { return -1; }
int MQ_create(int) { return -1; }
int MQ_sget(int, int*, char*) { return -1; }
int MQ_sput(int, int, int, const char*, ...) { return -1; }
int MQ_del(int) { return -1; }

}  // namespace orv
