#pragma once

namespace clipvane::platform {

// What asked a program on a terminal to stop.
enum class Interruption
{
    None,
    Interrupt,  // Ctrl+C
    Terminate,  // a request to end, as from kill
    HangUp,     // the terminal went away
    BrokenPipe, // whoever read the output has stopped reading
};

// From now on each of them is only noted, for TakeInterruption, and ends
// nothing by itself; a second Ctrl+C does end the program at once. Output to
// a closed pipe then fails instead of ending the program.
void CatchInterruptions();

// The interruption that came since the last call, or None. Safe to poll.
Interruption TakeInterruption();

} // namespace clipvane::platform
