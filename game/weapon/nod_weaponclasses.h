// The start-up registration of the weapon library's node classes.
#pragma once

// Registers the weapon classes (their bases first, which lower libraries register);
// unregistration removes them in reverse. Repeating either is harmless.
void NOD_RegisterWeaponClasses();
void NOD_UnregisterWeaponClasses();
