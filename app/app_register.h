// Start-up registration of the engine's classes, in one fixed order (app_registration.inc).
//
// Every library with registered classes exports its registration function and its
// counterpart; the program calls Brisel_RegisterModules once before anything creates objects
// by name, and Brisel_UnregisterModules at exit (reverse order). Nothing registers itself
// during static initialisation, so no module depends on link order. Each library's functions
// do nothing when already done, so calling either twice is harmless.
#pragma once

void Brisel_RegisterModules();
void Brisel_UnregisterModules();
