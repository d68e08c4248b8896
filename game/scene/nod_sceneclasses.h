// The start-up registration of the scene library's node classes.
#pragma once

// Registers the scene classes (their bases first, which lower libraries register); unregistration
// removes them in reverse. Repeating either is harmless.
void NOD_RegisterSceneClasses();
void NOD_UnregisterSceneClasses();
