// The start-up registration of the body library's node classes.
#pragma once

// Registers "NOD_Position", "NOD_Path" and "NOD_PatrolArea" (base "NOD_Node", which must be
// registered first); unregistration removes them in reverse. Repeating either is harmless.
void NOD_RegisterBodyClasses();
void NOD_UnregisterBodyClasses();
