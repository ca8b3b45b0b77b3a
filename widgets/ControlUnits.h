// Registration of the user-interface controls.
#pragma once

// Registers "Control".
void RegisterControlClasses();
