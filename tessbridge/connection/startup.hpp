// Start-up and shutdown of the driver connection.
#pragma once

namespace tessbridge {

// Opens the driver connection; runs once, when the library is loaded. Each
// failure is shown as a message and ends the start-up; the load still completes.
void StartDriverConnection();

}  // namespace tessbridge
