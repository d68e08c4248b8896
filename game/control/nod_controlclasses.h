// The start-up registration of the control library's node classes.
#pragma once

// Registers the control classes (their bases first, which lower libraries register); unregistration
// removes them in reverse. Repeating either is harmless.
void NOD_RegisterControlClasses();
void NOD_UnregisterControlClasses();
