// Start-up registration of the engine's classes, in one fixed order.
//
// Every module with registered classes has a registration function and its counterpart; the
// program and every test main call SYS_RegisterAll once before anything creates objects by
// name, and SYS_UnregisterAll at exit (reverse order). Nothing registers itself during static
// initialisation, so no module depends on link order. Each module's functions do nothing when
// already done, so calling either twice is harmless.
#pragma once

void SYS_RegisterAll();
void SYS_UnregisterAll();
