// Time and process functions.
#pragma once

namespace orv {

[[noreturn]] void ORV_exit(int status);
void ORV_init_time();
float ORV_elapse_time();
int ORV_sleep(float seconds);
int ORV_get_pid();
int ORV_back_proc();
long ORV_get_virt_mem();

}  // namespace orv
