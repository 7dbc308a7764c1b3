#pragma once

namespace remote::startup {

// The window changes a few characters or a lamp at a time, always in the same places. Sent
// through shared memory, each such repaint first waits for the X server to answer a round
// trip (the server may still be reading the place from the last time): two more wake-ups of
// the station and one of the server for every change. Sent through the socket, the few
// changed pixels go with no answer awaited, which costs both sides less. Called before the
// application object is made; a choice already in the environment is left as it is.
void preferImagesThroughTheSocket();

} // namespace remote::startup
