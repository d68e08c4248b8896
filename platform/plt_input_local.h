// How the SDL system drives the input stand-in (private to platform/).
#pragma once

union SDL_Event;

// Every event the SDL system polls passes through here before it is translated, so the input
// devices see the input in the order SDL delivered it.
void PLT_InputFeed(const SDL_Event& _event);
// Called before SDL shuts down: closes the joysticks and unacquires every device, so devices
// that outlive SDL (destroyed by an exit hook) never reach it again.
void PLT_InputShutdown();
