// Message-queue link to a separately running loop window: System V message
// queues (key offset + n) or, with MQ_settype(non-zero), a TCP connection to
// 127.0.0.1 on port offset + n. Every message is one text of at most 120 bytes
// whose first character is a channel or status digit ('0' + value).
#pragma once

namespace orv {

inline constexpr int kMqTextMax = 120;

int MQ_offset(int offset);
int MQ_settype(int type);
int MQ_timeout(int seconds);
void MQ_timeout_func(void (*handler)(int));

// Client side.
int MQ_open(int n);                     // queue handle, -1 when the queue does not exist
int MQ_connect(int handle);             // assigned channel, -1 on failure
[[gnu::format(printf, 3, 4)]] int MQ_put(int handle, int channel, const char* format, ...);
int MQ_get(int handle, int channel, char* buffer);  // status of the next reply; buffer >= 121 bytes
int MQ_close(int handle);

// Serving side (the loop window).
int MQ_create(int n);                   // queue handle, -1 on failure
int MQ_sget(int handle, int* channel, char* buffer);  // next request: its text, channel set
[[gnu::format(printf, 4, 5)]] int MQ_sput(int handle, int channel, int status, const char* format, ...);
int MQ_del(int handle);

}  // namespace orv
