// Message-queue link to a separately running loop window: System V message
// queues (key offset + n) or, with MQ_settype(non-zero), a TCP connection to
// 127.0.0.1 on port offset + n. Every message is one text of at most 120 bytes
// whose first character is a channel or status digit ('0' + value); on TCP it
// is preceded by one length byte.
//
// Protocol
//   Client -> server: message type 1, text = channel digit + request text.
//   Server -> client: message type = the client's channel, text = status
//   digit + reply text. A connect request is "/" + the user id ("%d"); the
//   serving side answers it on channel 2 with the assigned channel (3..21) as
//   the digit and as decimal text, or with status -3 ('-') when all 19
//   channels are taken. A "quit" request ends the client's session: once the
//   server has answered it the channel is free again (on TCP the server
//   closes that connection).
//
// Writing a loop window (or a test peer emulating one)
//   int h = MQ_create(n);                  // before the clients start
//   int ch; char req[kMqBufferSize];
//   while (MQ_sget(h, &ch, req) >= 0) {    // connect requests never show up
//       // "query res NAME": one reply per value with status 0 and the value
//       //   followed by "\n", then one reply with a non-zero status to end:
//       //     MQ_sput(h, ch, 0, "%s\n", value); MQ_sput(h, ch, 1, "%s", "");
//       // "set res NAME VALUE" and "quit": acknowledge with a non-zero
//       //   status:  MQ_sput(h, ch, 1, "ok");
//       // status -3 tells the client the loop window is going away.
//   }
//   MQ_del(h);
// MQ_sget waits under the same alarm as the client: a long-lived server calls
// MQ_timeout(0) first; a test peer in a forked child keeps a short timeout so
// that it cannot outlive a failed test.
#pragma once

namespace orv {

inline constexpr int kMqTextMax = 120;                 // digit + text
inline constexpr int kMqBufferSize = kMqTextMax + 1;   // for MQ_get / MQ_sget

// Settings; each returns the previous value. Unless set here, they are taken
// from the environment variables orvmqtype ("tcp" selects the loopback
// connection) and orvmqoffset at the first open or create.
int MQ_offset(int offset);
int MQ_settype(int type);        // 0: System V message queues; non-zero: TCP
int MQ_timeout(int seconds);     // alarm guarding every exchange; 0: none
// Called (with SIGALRM) instead of printing "Queue not responding!!" and
// ending the program with status 7; the waiting call then gives up.
void MQ_timeout_func(void (*handler)(int));

// Client side. Handles are small numbers >= 0 of this process.
int MQ_open(int n);                     // queue handle, -1 when the queue does not exist
int MQ_connect(int handle);             // assigned channel, -1 on failure
// Sends the formatted text on the channel (-1 sends '/'); 0, or -1 on failure.
[[gnu::format(printf, 3, 4)]] int MQ_put(int handle, int channel, const char* format, ...);
// Waits for the next reply on the channel: its status (digit - '0') with the
// text after the digit copied to buffer (kMqBufferSize bytes). A queue that
// disappears, a closed connection or a bad handle gives -3 with an empty text.
int MQ_get(int handle, int channel, char* buffer);
int MQ_close(int handle);               // 0, -1 for a bad handle

// Serving side (the loop window).
int MQ_create(int n);                   // queue handle, -1 on failure
// Waits for the next request: returns its channel (also stored in *channel)
// with the text after the channel digit in buffer (kMqBufferSize bytes);
// -1 on failure.
int MQ_sget(int handle, int* channel, char* buffer);
// Replies on a client channel: status digit, then the formatted text.
[[gnu::format(printf, 4, 5)]] int MQ_sput(int handle, int channel, int status, const char* format, ...);
int MQ_del(int handle);                 // removes the queue / closes the sockets

// Forgets every handle (closing sockets, leaving system queues in place) and
// restores the default settings.
void MQ_reset_for_tests();

}  // namespace orv
