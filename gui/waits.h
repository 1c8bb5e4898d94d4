// Waiting for input: the wait statements, the pause, the last-command
// statement, the list of messages the window procedures catch and the
// command-recording switch. The waits handle window messages through the
// wait platform until the event state they test is set.
#pragma once
#include <cstdint>

#include "core/registry.h"

namespace tolven {

// The platform side of the waits. The Win32 build installs the real one in
// install_platform(); without it nothing can arrive and every wait ends at
// once.
class WaitPlatform {
public:
    virtual ~WaitPlatform() = default;
    // Lets time pass until a message may have arrived (a millisecond or a
    // few at most), then handles every pending message; automated keys are
    // typed here.
    virtual void wait_a_moment() {}
    // Blocks until a message of the thread arrives, stores it as the
    // current message and handles it. Returns its number; 0 when none can
    // come (then it returns at once).
    virtual uint32_t wait_for_message() { return 0; }
    // Pauses without handling messages.
    virtual void sleep(uint32_t milliseconds) {}
    // Something can still end a wait: a window of the thread exists or the
    // timer runs.
    virtual bool input_possible() { return false; }
};

WaitPlatform& wait_platform();
// nullptr restores the one where nothing arrives.
void set_wait_platform(WaitPlatform* p);

// The four waiting loops.
enum class WaitKind {
    Key,             // a key press
    KeyOrEvent,      // a key press, a character or a control event
    MouseOrCommand,  // a mouse button or a command
    Any,             // any input event; F1 becomes a help request
};

// Clears what the wait tests (and for Any switches help-key watching on).
void begin_wait(WaitKind kind);
// The state the wait tests is set.
bool wait_ended(WaitKind kind);
// Keeps what the program reads after the wait (last event, last message)
// and empties the key FIFO.
void finish_wait(WaitKind kind);
// The whole loop; also used by the record and browse dialogs to wait for
// their buttons.
void wait_for(WaitKind kind);

extern const Module kWaitModule;

}  // namespace tolven
