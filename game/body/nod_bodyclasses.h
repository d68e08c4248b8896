// The start-up registration of the body library's node classes.
#pragma once

// Registers "NOD_Position", "NOD_Path", "NOD_PatrolArea" and "NOD_Body" (base "NOD_Node", which
// must be registered first), then "NOD_ShieldedBody" (base "NOD_Body"), and installs the bodies'
// compound-body test in the collision layer; unregistration removes the test, then the classes
// in reverse. Repeating either is harmless.
void NOD_RegisterBodyClasses();
void NOD_UnregisterBodyClasses();
