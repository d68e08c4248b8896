// The start-up registration of the actor library's node classes.
#pragma once

// Registers the actor classes (their bases first, which lower libraries register); unregistration
// removes them in reverse. Repeating either is harmless.
void NOD_RegisterActorClasses();
void NOD_UnregisterActorClasses();
